#pragma once

#include <QString>

#include <exception>

// The text a screen shows for a failed operation: an APIError's own description
// (the client's one error type), otherwise whatever the exception says.
QString errorDescription(const std::exception& error);
