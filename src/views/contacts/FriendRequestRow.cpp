#include "views/contacts/FriendRequestRow.h"

#include "state/FriendRequestsViewModel.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"
#include "views/common/PaintedButton.h"
#include "views/contacts/FriendRequestModel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

using Appearance::TextStyle;
using RowState = FriendRequestsViewModel::RowState;

namespace {

constexpr int Margin = 10;
constexpr int AvatarSize = 36;
constexpr int ButtonGap = 6;

bool pendingAndIdle(const QModelIndex& index)
{
    return RowState(index.data(FriendRequestModel::StateRole).toInt()) == RowState::Pending
        && !index.data(FriendRequestModel::AnsweringRole).toBool();
}

} // namespace

QRect FriendRequestRow::rejectRect(const QRect& row)
{
    const int width = PaintedButton::width(Localized::text("friend.reject"));
    return QRect(row.right() - Margin - width + 1, row.center().y() - PaintedButton::Height / 2 + 1, width, PaintedButton::Height);
}

QRect FriendRequestRow::acceptRect(const QRect& row)
{
    const QRect reject = rejectRect(row);
    const int width = PaintedButton::width(Localized::text("friend.accept"));
    return QRect(reject.left() - ButtonGap - width, reject.top(), width, PaintedButton::Height);
}

QSize FriendRequestRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), Height);
}

void FriendRequestRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;
    const QRect content = row.adjusted(Margin, 4, -Margin, -4);
    const QRectF avatar(content.left(), content.center().y() - AvatarSize / 2.0 + 1, AvatarSize, AvatarSize);
    AvatarView::paint(painter, avatar, index.data(FriendRequestModel::AvatarNameRole).toString(),
        std::optional<QString>(index.data(FriendRequestModel::AvatarRole).toString()));

    const QFont caption = Appearance::font(TextStyle::Caption);
    int trailing = content.right();
    const auto state = RowState(index.data(FriendRequestModel::StateRole).toInt());
    if (state == RowState::Pending) {
        const bool enabled = !index.data(FriendRequestModel::AnsweringRole).toBool();
        const QRect accept = acceptRect(row);
        PaintedButton::paint(painter, accept, Localized::text("friend.accept"), true, enabled);
        PaintedButton::paint(painter, rejectRect(row), Localized::text("friend.reject"), false, enabled);
        trailing = accept.left() - 10;
    } else {
        const QString outcome = Localized::text(state == RowState::Accepted ? "friend.accepted" : "friend.rejected");
        const int width = QFontMetrics(caption).horizontalAdvance(outcome);
        painter->setFont(caption);
        painter->setPen(Appearance::secondaryText());
        painter->drawText(QRect(content.right() - width, content.top(), width, content.height()), Qt::AlignRight | Qt::AlignVCenter, outcome);
        trailing = content.right() - width - 10;
    }

    const int left = int(avatar.right()) + 10;
    const int width = trailing - left;
    const QFont body = Appearance::font(TextStyle::Body);
    const QString message = index.data(FriendRequestModel::MessageRole).toString();
    const int nameHeight = QFontMetrics(body).height();
    const int messageHeight = message.isEmpty() ? 0 : QFontMetrics(caption).height() + 2;
    const int top = content.center().y() - (nameHeight + messageHeight) / 2 + 1;
    painter->setFont(body);
    painter->setPen(QApplication::palette().color(QPalette::Text));
    painter->drawText(QRect(left, top, width, nameHeight), Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(body).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, width));
    if (!message.isEmpty()) {
        painter->setFont(caption);
        painter->setPen(Appearance::secondaryText());
        painter->drawText(QRect(left, top + nameHeight + 2, width, messageHeight - 2), Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(caption).elidedText(message.simplified(), Qt::ElideRight, width));
    }
    painter->restore();
}

bool FriendRequestRow::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease || !pendingAndIdle(index))
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const QPoint at = mouse->position().toPoint();
    if (acceptRect(option.rect).contains(at)) {
        Q_EMIT accepted(index);
        return true;
    }
    if (rejectRect(option.rect).contains(at)) {
        Q_EMIT rejected(index);
        return true;
    }
    return false;
}
