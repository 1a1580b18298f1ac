#pragma once

#include <QString>

#include <exception>

// The text a screen shows for a failed operation, in the interface language: for
// an APIError (the client's one error type) the server's own text when it gave
// one, else the string table's text of the error's kind; otherwise whatever the
// exception says.
QString errorDescription(const std::exception& error);
