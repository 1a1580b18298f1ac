#pragma once

#include "models/Message.h"

#include <QString>

#include <optional>

// What a notice of the server's own says ("group_dissolved": an administrator
// dissolved the group), worded in the language in force when it is shown, in the chat
// and as the conversation list's preview. A notice this client does not know shows
// the message's own text, which the server wrote in its sender's language.
namespace SystemNotice {

QString text(const std::optional<QString>& notice, const QString& content);
inline QString text(const Message& message)
{
    return text(message.notice, message.content.value_or(QString()));
}

} // namespace SystemNotice
