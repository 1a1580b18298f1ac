#include "views/contacts/UserResultRow.h"

#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"
#include "views/common/PaintedButton.h"
#include "views/contacts/UserResultModel.h"

#include <QApplication>
#include <QPainter>

using Appearance::TextStyle;

namespace {
constexpr int Margin = 12;
constexpr int AvatarSize = 36;
} // namespace

QRect UserResultRow::addRect(const QRect& row)
{
    const int width = PaintedButton::width(Localized::text("add.add_button"));
    return QRect(row.right() - Margin - width + 1, row.center().y() - PaintedButton::Height / 2 + 1, width, PaintedButton::Height);
}

QSize UserResultRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), Height);
}

void UserResultRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;
    const QRect content = row.adjusted(Margin, 4, -Margin, -4);
    const QString name = index.data(Qt::DisplayRole).toString();
    const QRectF avatar(content.left(), content.center().y() - AvatarSize / 2.0 + 1, AvatarSize, AvatarSize);
    AvatarView::paint(painter, avatar, name, std::optional<QString>(index.data(UserResultModel::AvatarRole).toString()));

    const QFont caption = Appearance::font(TextStyle::Caption);
    int trailing = content.right();
    if (index.data(UserResultModel::SentRole).toBool()) {
        const QString sent = Localized::text("add.sent");
        const int width = QFontMetrics(caption).horizontalAdvance(sent);
        painter->setFont(caption);
        painter->setPen(Appearance::secondaryText());
        painter->drawText(QRect(content.right() - width, content.top(), width, content.height()), Qt::AlignRight | Qt::AlignVCenter, sent);
        trailing -= width + 10;
    } else {
        const QList<RowAction> actions = index.data(RowAction::ActionsRole).value<QList<RowAction>>();
        const QList<QRect> rects = actionRects(option, index, actions);
        for (int i = 0; i < actions.size(); ++i) {
            PaintedButton::paint(painter, rects.at(i), actions.at(i).text, true, actions.at(i).enabled);
            trailing = rects.at(i).left() - 10;
        }
    }

    const int left = int(avatar.right()) + 10;
    const int width = trailing - left;
    const QFont body = Appearance::font(TextStyle::Body);
    const int nameHeight = QFontMetrics(body).height();
    const int idHeight = QFontMetrics(caption).height();
    const int top = content.center().y() - (nameHeight + 2 + idHeight) / 2 + 1;
    painter->setFont(body);
    painter->setPen(QApplication::palette().color(QPalette::Text));
    painter->drawText(QRect(left, top, width, nameHeight), Qt::AlignLeft | Qt::AlignVCenter, QFontMetrics(body).elidedText(name, Qt::ElideRight, width));
    painter->setFont(caption);
    painter->setPen(Appearance::secondaryText());
    painter->drawText(QRect(left, top + nameHeight + 2, width, idHeight), Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(caption).elidedText(index.data(UserResultModel::OpenIdRole).toString(), Qt::ElideRight, width));
    painter->restore();
    paintCurrentRow(painter, option);
}

QList<QRect> UserResultRow::actionRects(const QStyleOptionViewItem& option, const QModelIndex&, const QList<RowAction>& actions) const
{
    return QList<QRect>(actions.size(), addRect(option.rect));
}
