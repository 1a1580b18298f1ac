#include "views/contacts/FriendRequestRow.h"

#include "state/contacts/FriendRequestsViewModel.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"
#include "views/common/PaintedButton.h"
#include "views/contacts/FriendRequestModel.h"

#include <QApplication>
#include <QPainter>

using Appearance::TextStyle;
using RowState = FriendRequestsViewModel::RowState;

namespace {

constexpr int Margin = 10;
constexpr int AvatarSize = 36;
constexpr int ButtonGap = 6;

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
        const QList<RowAction> actions = index.data(RowAction::ActionsRole).value<QList<RowAction>>();
        const QList<QRect> rects = actionRects(option, index, actions);
        for (int i = 0; i < actions.size(); ++i) {
            PaintedButton::paint(painter, rects.at(i), actions.at(i).text, actions.at(i).kind == RowAction::Kind::Main, actions.at(i).enabled);
            trailing = std::min(trailing, rects.at(i).left() - 10);
        }
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
    paintCurrentRow(painter, option);
}

QList<QRect> FriendRequestRow::actionRects(const QStyleOptionViewItem& option, const QModelIndex&, const QList<RowAction>& actions) const
{
    QList<QRect> rects;
    for (const RowAction& action : actions)
        rects << (action.name == u"accept" ? acceptRect(option.rect) : rejectRect(option.rect));
    return rects;
}
