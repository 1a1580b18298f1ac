#include "views/contacts/ContactListDelegate.h"

#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/RowActionDelegate.h"
#include "views/common/Icons.h"
#include "views/contacts/ContactListModel.h"

#include <QApplication>
#include <QPainter>

using Appearance::TextStyle;

namespace {

constexpr int Margin = 8;

QFont headerFont()
{
    QFont font = Appearance::font(TextStyle::Caption);
    font.setWeight(QFont::DemiBold);
    return font;
}

} // namespace

int ContactListDelegate::headerHeight()
{
    // Measured once: every header of a long list asks for it while the view lays out.
    static const int height = QFontMetrics(headerFont()).height() + 4;
    return height;
}

QSize ContactListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // Asked for every row whenever the list lays out: straight from the model,
    // without a variant per row.
    const auto* model = qobject_cast<const ContactListModel*>(index.model());
    const auto kind = model ? model->kindAt(index.row()) : ContactListModel::Kind(index.data(ContactListModel::KindRole).toInt());
    return QSize(option.rect.width(), kind == ContactListModel::Kind::Header ? headerHeight() : RowHeight);
}

void ContactListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    if (ContactListModel::Kind(index.data(ContactListModel::KindRole).toInt()) == ContactListModel::Kind::Header)
        paintHeader(painter, option.rect, index.data(Qt::DisplayRole).toString());
    else
        paintRow(painter, option, index);
    painter->restore();
    // The keyboard's row is framed, whether it is the chosen contact (tinted) or not
    // (a group row is never chosen): the tint alone does not say the list has the keyboard.
    QStyleOptionViewItem current = option;
    current.state &= ~QStyle::State_Selected;
    RowActionDelegate::paintCurrentRow(painter, current);
}

void ContactListDelegate::paintHeader(QPainter* painter, const QRect& rect, const QString& text)
{
    const QFont font = headerFont();
    painter->setFont(font);
    painter->setPen(Appearance::secondaryText());
    const QRect area = rect.adjusted(10, 4, -10, 0);
    painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, QFontMetrics(font).elidedText(text, Qt::ElideRight, area.width()));
}

void ContactListDelegate::paintRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;
    // A faint tint, not the solid highlight: the grey second line stays readable on it.
    if (option.state & QStyle::State_Selected) {
        QColor selected = Appearance::accent();
        selected.setAlphaF(0.18f);
        painter->setPen(Qt::NoPen);
        painter->setBrush(selected);
        painter->drawRoundedRect(row.adjusted(4, 1, -4, -1), 6, 6);
    }

    const bool isGroup = ContactListModel::Kind(index.data(ContactListModel::KindRole).toInt()) == ContactListModel::Kind::Group;
    const QRect content = row.adjusted(Margin, 2, -Margin, -2);
    const QString name = index.data(Qt::DisplayRole).toString();
    const QRectF avatar(content.left(), content.center().y() - AvatarSize / 2.0 + 1, AvatarSize, AvatarSize);
    AvatarView::paint(painter, avatar, name, std::optional<QString>(index.data(ContactListModel::AvatarRole).toString()));
    if (index.data(ContactListModel::OnlineRole).toBool()) {
        const QRectF dot(avatar.right() - 8, avatar.bottom() - 8, 8, 8);
        painter->setBrush(QColor(0x34, 0xc7, 0x59));
        painter->setPen(QPen(Qt::white, 1));
        painter->drawEllipse(dot);
    }

    const int textLeft = int(avatar.right()) + (isGroup ? 8 : 10);
    int textRight = content.right();
    if (isGroup) {
        const qreal ratio = painter->device()->devicePixelRatioF();
        // The chevron is set in caption type: as tall as that type.
        const int side = Appearance::font(TextStyle::Caption).pixelSize();
        const QRect chevron(textRight - side, content.center().y() - side / 2 + 1, side, side);
        painter->drawPixmap(chevron, Icons::pixmap(QStringLiteral("chevron.right"), side, Appearance::secondaryText(), ratio));
        textRight = chevron.left() - 8;
    }
    const int width = textRight - textLeft;
    const QFont body = Appearance::font(TextStyle::Body);
    const QFont caption = Appearance::font(TextStyle::Caption);
    const QString subtitle = index.data(ContactListModel::SubtitleRole).toString();
    const int nameHeight = QFontMetrics(body).height();
    const int subtitleHeight = subtitle.isEmpty() ? 0 : QFontMetrics(caption).height() + 2;
    const int top = content.center().y() - (nameHeight + subtitleHeight) / 2 + 1;

    painter->setFont(body);
    painter->setPen(QApplication::palette().color(QPalette::Text));
    painter->drawText(QRect(textLeft, top, width, nameHeight), Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(body).elidedText(name, Qt::ElideRight, width));
    if (subtitle.isEmpty())
        return;
    painter->setFont(caption);
    painter->setPen(Appearance::secondaryText());
    // A bio may hold line breaks; the row shows one line of it.
    painter->drawText(QRect(textLeft, top + nameHeight + 2, width, subtitleHeight - 2), Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(caption).elidedText(subtitle.simplified(), Qt::ElideRight, width));
}
