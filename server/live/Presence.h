#pragma once

#include <functional>

#include <QtGlobal>

// Tells whether a user has a live WebSocket right now; records report it as "online".
using Presence = std::function<bool(qint64 userId)>;
