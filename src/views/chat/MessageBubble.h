#pragma once

#include "models/Message.h"

#include <QColor>
#include <QStyledItemDelegate>
#include <QUrl>

#include <functional>
#include <optional>

class QMenu;

// Draws one message of the open conversation as one painted row of the chat
// screen's list (a revocation notice, a system notice or an ordinary message with
// avatar, content, reactions and footer) and builds its context menu. Rows are
// painted, never widgets, so a long history costs only its data.
class MessageBubble : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class RowKind { Revoked, System, Ordinary };

    struct Actions {
        std::function<void()> onRevoke;
        std::function<void()> onReply;
        std::function<void(const QString&)> onReact;
        // A failed message of one's own: send it again, or throw it away.
        std::function<void()> onResend;
        std::function<void()> onDiscard;
    };
    struct StatusIcon {
        QString symbol;
        QColor color;
    };
    struct ReactionChip {
        QString emoji;
        int count = 0;
        bool operator==(const ReactionChip&) const = default;
    };
    // Where each part of a row is, relative to the row's rectangle.
    struct Layout {
        RowKind kind = RowKind::Ordinary;
        int height = 0;
        QRect notice;
        QRect avatar;
        QRect senderName;
        QRect content;
        QRect reactions;
        QRect footer;
        // Beside the content of an own message that could not be sent; null otherwise.
        QRect failedMark;
    };

    static const QStringList& emojiReplies();
    static QString fileSizeText(qint64 bytes);
    static QString timeText(const std::optional<QString>& createdAt);
    static std::optional<StatusIcon> statusIcon(const std::optional<QString>& status);
    static QList<ReactionChip> reactionChips(const QList<MessageReaction>& reactions);
    static RowKind rowKind(const Message& message);
    static QString revokedText(const Message& message, bool isMine);
    // The text under key of the JSON object in content; absent for anything else.
    static std::optional<QString> contentString(const std::optional<QString>& content, const QString& key);
    // The picture address of an image or sticker message; invalid when there is none.
    static QUrl mediaUrl(const Message& message);
    // Reply, reaction and revocation need the server's id: an optimistic message
    // (negative id, or still sending or failed) only offers copying.
    static bool isOnServer(const Message& message);
    static QMenu* contextMenu(const Message& message, bool isMine, const Actions& actions, QWidget* parent);

    explicit MessageBubble(QObject* parent = nullptr);

    Layout layout(const Message& message, bool isMine, int width) const;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static constexpr int LoadMoreHeight = 34;
    static constexpr int FailedMarkSize = 18;

private:
    QSize contentSize(const Message& message, int maxWidth) const;
    void paintOrdinary(QPainter* painter, const Layout& layout, const QRect& row, const Message& message, bool isMine) const;
    void paintContent(QPainter* painter, const QRect& rect, const Message& message, bool isMine) const;
    void paintLoadMore(QPainter* painter, const QRect& row) const;
};
