#pragma once

#include "models/Message.h"

#include <QString>

// What a screen reader reads for one message of the chat, in the order the row
// shows it: who sent it, what it says or holds, its reactions, when, whether it
// was edited and, for one's own, how far it went. A revoked message reads as its
// notice, a system message as its text.
namespace MessageReading {

QString text(const Message& message, bool isMine);
// The delivery state of one's own message in words; empty for a state the row shows nothing for.
QString statusText(const std::optional<QString>& status);

} // namespace MessageReading
