#pragma once

#include "models/Message.h"

#include <QString>

// What a revoked message shows instead of its text, in the bubble and as the
// conversation list's preview: "You unsent a message", or the sender's name
// directly followed by the other-person text.
namespace RevokedNotice {

QString text(bool isMine, const QString& senderName);
inline QString text(const Message& message, bool isMine)
{
    return text(isMine, message.senderName.value_or(QString()));
}

} // namespace RevokedNotice
