#include "views/chat/ConversationRow.h"

#include "state/chat/RevokedNotice.h"
#include "state/chat/SystemNotice.h"
#include "views/chat/AvatarView.h"
#include "views/chat/ConversationListModel.h"
#include "views/common/Appearance.h"
#include "views/common/DateTimeText.h"
#include "views/common/FocusRing.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QApplication>
#include <QPainter>
#include <QtMath>

using Appearance::TextStyle;

namespace {
constexpr int PaddingH = 10;
constexpr int PaddingV = 6;
constexpr int Spacing = 10;
} // namespace

QString ConversationRow::displayName(const Conversation& conversation)
{
    return conversation.name.value_or(QStringLiteral("未命名会话"));
}

QString ConversationRow::badgeText(const std::optional<qint64>& unreadCount)
{
    if (!unreadCount || *unreadCount < 1)
        return {};
    return *unreadCount < 100 ? QString::number(*unreadCount) : QStringLiteral("99+");
}

QString ConversationRow::timeText(const QString& lastMessageTime, const QDateTime& now)
{
    const auto parsed = DateTimeText::parseInternet(lastMessageTime);
    if (!parsed)
        return {};
    const QDateTime local = parsed->toLocalTime();
    const QDate today = now.toLocalTime().date();
    if (local.date() == today)
        return local.toString(QStringLiteral("HH:mm"));
    if (local.date() == today.addDays(-1))
        return Localized::text("conversation.yesterday");
    return local.toString(QStringLiteral("MM/dd"));
}

bool ConversationRow::showsOnlineDot(const Conversation& conversation)
{
    return conversation.online.value_or(false) && conversation.type != QLatin1StringView("group");
}

QString ConversationRow::accessibleText(const Conversation& conversation, const QDateTime& now)
{
    // Everything the row shows, in its order: name, time, mute mark, preview, unread badge.
    QStringList parts { displayName(conversation) };
    if (conversation.lastMessageTime)
        parts << timeText(*conversation.lastMessageTime, now);
    if (conversation.isPinned.value_or(false))
        parts << Localized::text("conversation.pinned");
    if (conversation.isMuted.value_or(false))
        parts << Localized::text("conversation.muted");
    parts << previewText(conversation).simplified();
    if (const QString badge = badgeText(conversation.unreadCount); !badge.isEmpty())
        parts << Localized::text("conversation.unread_count").replace(QStringLiteral("%@"), badge);
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

QString ConversationRow::previewText(const Conversation& conversation)
{
    if (const auto& revoked = conversation.revokedPreview)
        return RevokedNotice::text(revoked->isMine, revoked->senderName, revoked->byAdministrator);
    if (conversation.lastMessageNotice)
        return SystemNotice::text(conversation.lastMessageNotice, conversation.lastMessage.value_or(QString()));
    if (conversation.lastMessageFailed)
        return Localized::text("conversation.not_sent_prefix") + conversation.lastMessage.value_or(QString());
    return conversation.lastMessage.value_or(QString());
}

ConversationRow::ConversationRow(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QSize ConversationRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), AvatarSize + 2 * PaddingV + 8);
}

void ConversationRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const ConversationListModel*>(index.model());
    if (!model)
        return;
    const Conversation& conversation = model->conversationAt(index.row());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;

    const QRect card = row.adjusted(4, 2, -4, -2);
    if (option.state & QStyle::State_Selected) {
        QColor selected = Appearance::accent();
        selected.setAlphaF(0.18f);
        painter->setPen(Qt::NoPen);
        painter->setBrush(selected);
        painter->drawRoundedRect(card, 6, 6);
    } else if (conversation.isPinned.value_or(false)) {
        QColor tint = Appearance::accent();
        tint.setAlphaF(0.05f);
        painter->fillRect(row, tint);
    }
    // The row the keyboard is on, selected or not: where Down moves from.
    if (option.state & QStyle::State_HasFocus)
        FocusRing::paint(painter, QRectF(card), 6);

    const QRect content = card.adjusted(PaddingH - 4, PaddingV, -(PaddingH - 4), -PaddingV);
    // Where the trailing pieces end: QRect::right() lies a pixel inside, which would leave
    // the trailing side a pixel wider than the leading one.
    const int contentEnd = content.left() + content.width();
    const QRectF avatar(content.left(), content.center().y() - AvatarSize / 2.0 + 1, AvatarSize, AvatarSize);
    const QString name = displayName(conversation);
    AvatarView::paint(painter, avatar, name, conversation.avatar);
    if (showsOnlineDot(conversation)) {
        const QRectF dot(avatar.right() - 10, avatar.bottom() - 10, 10, 10);
        painter->setBrush(QColor(0x34, 0xc7, 0x59));
        painter->setPen(QPen(Qt::white, 1.5));
        painter->drawEllipse(dot);
    }

    const int textLeft = int(avatar.right()) + Spacing;
    const int textWidth = contentEnd - textLeft;
    const QFont nameFont = [] {
        QFont font = Appearance::font(TextStyle::Body);
        font.setWeight(QFont::Medium);
        return font;
    }();
    const QFont caption = Appearance::font(TextStyle::Caption);
    const QFont caption2 = Appearance::font(TextStyle::Caption2);
    const int nameHeight = QFontMetrics(nameFont).height();
    const int previewHeight = QFontMetrics(caption).height();
    const int top = content.center().y() - (nameHeight + 3 + previewHeight) / 2;
    const QColor text = QApplication::palette().color(QPalette::Text);

    // First line: name, then the time at the trailing edge.
    const QString time = conversation.lastMessageTime ? timeText(*conversation.lastMessageTime) : QString();
    const int timeWidth = QFontMetrics(caption2).horizontalAdvance(time);
    painter->setFont(caption2);
    painter->setPen(Appearance::secondaryText());
    painter->drawText(QRect(contentEnd - timeWidth, top, timeWidth, nameHeight), Qt::AlignRight | Qt::AlignVCenter, time);
    painter->setFont(nameFont);
    painter->setPen(text);
    const int nameWidth = textWidth - timeWidth - 6;
    painter->drawText(QRect(textLeft, top, nameWidth, nameHeight), Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(nameFont).elidedText(name, Qt::ElideRight, nameWidth));

    // Second line: mute mark, preview, unread badge.
    const int lineTop = top + nameHeight + 3;
    int x = textLeft;
    const bool muted = conversation.isMuted.value_or(false);
    if (muted) {
        const int side = QFontMetrics(caption2).height();
        painter->drawPixmap(QRect(x, lineTop + (previewHeight - side) / 2, side, side),
            Icons::pixmap(QStringLiteral("bell.slash.fill"), side, Appearance::secondaryText(), painter->device()->devicePixelRatioF()));
        x += side + 4;
    }
    const QString badge = badgeText(conversation.unreadCount);
    QFont badgeFont = caption2;
    badgeFont.setWeight(QFont::DemiBold);
    const int badgeHeight = qCeil(QFontMetricsF(badgeFont).height()) + 4;
    const int badgeWidth = badge.isEmpty() ? 0 : qMax(badgeHeight, QFontMetrics(badgeFont).horizontalAdvance(badge) + 12);
    if (!badge.isEmpty()) {
        const QRect capsule(contentEnd - badgeWidth, lineTop + (previewHeight - badgeHeight) / 2, badgeWidth, badgeHeight);
        painter->setPen(Qt::NoPen);
        painter->setBrush(muted ? QColor(0x8e, 0x8e, 0x93) : QColor(0xff, 0x3b, 0x30));
        painter->drawRoundedRect(capsule, capsule.height() / 2.0, capsule.height() / 2.0);
        painter->setFont(badgeFont);
        painter->setPen(Qt::white);
        painter->drawText(capsule, Qt::AlignCenter, badge);
    }
    const int previewWidth = contentEnd - x - (badgeWidth ? badgeWidth + 6 : 0);
    painter->setFont(caption);
    painter->setPen(Appearance::secondaryText());
    painter->drawText(QRect(x, lineTop, previewWidth, previewHeight), Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(caption).elidedText(previewText(conversation).simplified(), Qt::ElideRight, previewWidth));
    painter->restore();
}
