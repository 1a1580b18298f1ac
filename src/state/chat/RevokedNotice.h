#pragma once

#include "models/Message.h"

#include <QString>

// What a revoked message shows instead of its text, in the bubble and as the
// conversation list's preview: "You unsent a message", or the sender's name
// directly followed by the other-person text; a message an administrator
// removed says so instead, whoever sent it.
namespace RevokedNotice {

QString text(bool isMine, const QString& senderName, bool byAdministrator = false);
inline QString text(const Message& message, bool isMine)
{
    return text(isMine, message.senderName.value_or(QString()), message.removedByAdmin.value_or(false));
}

} // namespace RevokedNotice
