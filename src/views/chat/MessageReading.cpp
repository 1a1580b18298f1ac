#include "views/chat/MessageReading.h"

#include "state/chat/SystemNotice.h"
#include "views/chat/MessageBubble.h"
#include "views/common/Localized.h"

namespace {

bool isType(const Message& message, const char* type) { return message.type == QLatin1StringView(type); }

// A card's kind and its title: "Location: Central Park".
QString card(const char* kindKey, const std::optional<QString>& title)
{
    const QString kind = Localized::text(kindKey);
    return title && !title->isEmpty() ? kind + QStringLiteral(": ") + *title : kind;
}

QString body(const Message& message)
{
    if (isType(message, "image"))
        return Localized::text("chat.image");
    if (isType(message, "sticker"))
        return Localized::text("chat.sticker");
    if (isType(message, "video"))
        return Localized::text("chat.video");
    if (isType(message, "voice"))
        return Localized::text("chat.voice") + QLatin1Char(' ') + message.content.value_or(QStringLiteral("0")) + QLatin1Char('"');
    if (isType(message, "file")) {
        QString text = card("chat.attachment_file", message.fileName);
        if (message.fileSize)
            text += QStringLiteral(", ") + MessageBubble::fileSizeText(*message.fileSize);
        return text;
    }
    if (isType(message, "location"))
        return card("input.location", MessageBubble::contentString(message.content, QStringLiteral("name")));
    if (isType(message, "contact_card"))
        return card("input.contact_card", MessageBubble::contentString(message.content, QStringLiteral("name")));
    return message.content.value_or(QString());
}

} // namespace

namespace MessageReading {

QString statusText(const std::optional<QString>& status)
{
    static const QList<std::pair<QLatin1StringView, const char*>> words {
        { QLatin1StringView("sending"), "chat.status_sending" },
        { QLatin1StringView("sent"), "chat.status_sent" },
        { QLatin1StringView("delivered"), "chat.status_delivered" },
        { QLatin1StringView("read"), "chat.status_read" },
        { QLatin1StringView("failed"), "chat.status_failed" },
    };
    for (const auto& [value, key] : words)
        if (status == value)
            return Localized::text(key);
    return {};
}

QString text(const Message& message, bool isMine)
{
    const QString time = MessageBubble::timeText(message.createdAt);
    QStringList parts;
    switch (MessageBubble::rowKind(message)) {
    case MessageBubble::RowKind::Revoked:
        parts << MessageBubble::revokedText(message, isMine) << time;
        break;
    case MessageBubble::RowKind::System:
        parts << SystemNotice::text(message);
        break;
    case MessageBubble::RowKind::Ordinary:
        parts << (isMine ? Localized::text("chat.sender_me") : message.senderName.value_or(QString())) << body(message);
        if (message.reactions) {
            for (const MessageBubble::ReactionChip& chip : MessageBubble::reactionChips(*message.reactions))
                parts << chip.emoji + QLatin1Char(' ') + QString::number(chip.count);
        }
        parts << time;
        if (message.editedAt)
            parts << Localized::text("chat.edited");
        if (isMine)
            parts << statusText(message.status);
        break;
    }
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

} // namespace MessageReading
