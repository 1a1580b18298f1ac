#pragma once

#include "models/Conversation.h"

#include <QDateTime>
#include <QStyledItemDelegate>

#include <optional>

// One painted row of the conversation list: avatar with online dot, name, time,
// mute mark, preview and unread badge, on a faint accent tint when pinned.
class ConversationRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int AvatarSize = 40;

    static QString displayName(const Conversation& conversation);
    // "" for no badge, the count below 100, "99+" from 100 on.
    static QString badgeText(const std::optional<qint64>& unreadCount);
    // "HH:mm" today, the localised "yesterday", else "MM/dd"; empty when unparseable.
    static QString timeText(const QString& lastMessageTime, const QDateTime& now = QDateTime::currentDateTime());
    static bool showsOnlineDot(const Conversation& conversation);
    // The newest message's one line: its text, or the revoked notice in the
    // language in force.
    static QString previewText(const Conversation& conversation);
    // What a screen reader reads for the row: all it shows, in its order.
    static QString accessibleText(const Conversation& conversation, const QDateTime& now = QDateTime::currentDateTime());

    explicit ConversationRow(QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
