#include "views/contacts/MemberAssignmentRow.h"

#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/contacts/MemberAssignmentModel.h"

#include <QApplication>
#include <QPainter>

using Appearance::TextStyle;

QSize MemberAssignmentRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), Height);
}

void MemberAssignmentRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect content = option.rect.adjusted(12, 4, -12, -4);
    const QRectF avatar(content.left(), content.center().y() - 16 + 1, 32, 32);
    AvatarView::paint(painter, avatar, index.data(MemberAssignmentModel::AvatarNameRole).toString(),
        std::optional<QString>(index.data(MemberAssignmentModel::AvatarRole).toString()));

    const QRectF mark(content.right() - MarkSize + 1, content.center().y() - MarkSize / 2.0 + 1, MarkSize, MarkSize);
    if (index.data(MemberAssignmentModel::AssignedRole).toBool()) {
        painter->drawPixmap(mark.toRect(), Icons::pixmap(QStringLiteral("checkmark.circle.fill"), MarkSize, QColor(0x34, 0xc7, 0x59),
                                               painter->device()->devicePixelRatioF()));
    } else {
        // An empty ring: the theme has no outline circle of this weight.
        painter->setPen(QPen(Appearance::secondaryText(), 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(mark.adjusted(0.75, 0.75, -0.75, -0.75));
    }

    const int left = int(avatar.right()) + 10;
    const int width = int(mark.left()) - 10 - left;
    const QFont body = Appearance::font(TextStyle::Body);
    const QFont caption = Appearance::font(TextStyle::Caption2);
    const QString standing = index.data(MemberAssignmentModel::StandingRole).toString();
    const int nameHeight = QFontMetrics(body).height();
    const int standingHeight = standing.isEmpty() ? 0 : QFontMetrics(caption).height() + 2;
    const int top = content.center().y() - (nameHeight + standingHeight) / 2 + 1;
    painter->setFont(body);
    painter->setPen(QApplication::palette().color(QPalette::Text));
    painter->drawText(QRect(left, top, width, nameHeight), Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(body).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, width));
    if (!standing.isEmpty()) {
        painter->setFont(caption);
        painter->setPen(Appearance::secondaryText());
        painter->drawText(QRect(left, top + nameHeight + 2, width, standingHeight - 2), Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(caption).elidedText(standing, Qt::ElideRight, width));
    }
    painter->restore();
    paintCurrentRow(painter, option);
}
