#include "views/account/SessionRow.h"

#include "views/account/RowButton.h"
#include "views/account/SessionListModel.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QApplication>
#include <QPainter>

using Appearance::TextStyle;

namespace {
constexpr int PaddingV = 4;
constexpr int IconSize = 20;
constexpr int Spacing = 8;
const QColor currentGreen(0x34, 0xc7, 0x59);
} // namespace

QRect SessionRow::revokeRect(const QRect& row)
{
    return RowButton::rect(row, Appearance::font(TextStyle::Caption), Localized::text("devices.logout"), 20);
}

SessionRow::SessionRow(QObject* parent)
    : RowActionDelegate(parent)
{
}

QSize SessionRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const int text = QFontMetrics(QApplication::font()).height() + QFontMetrics(Appearance::font(TextStyle::Caption)).height();
    return QSize(option.rect.width(), qMax(IconSize, text) + 2 * PaddingV);
}

void SessionRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect.adjusted(0, PaddingV, 0, -PaddingV);
    painter->drawPixmap(QRect(row.left(), row.center().y() - IconSize / 2, IconSize, IconSize),
        Icons::pixmap(index.data(SessionListModel::IconRole).toString(), IconSize, Appearance::accent(), painter->device()->devicePixelRatioF()));

    const QFont caption = Appearance::font(TextStyle::Caption);
    int right = row.right();
    if (index.data(SessionListModel::IsCurrentRole).toBool()) {
        const QString current = Localized::text("profile.current_device");
        const int width = QFontMetrics(caption).horizontalAdvance(current);
        painter->setFont(caption);
        painter->setPen(currentGreen);
        painter->drawText(QRect(row.right() - width + 1, row.top(), width, row.height()), Qt::AlignRight | Qt::AlignVCenter, current);
        right -= width + Spacing;
    } else {
        const QRect button = revokeRect(option.rect);
        const bool waits = index.data(SessionListModel::RevokingRole).toBool();
        RowButton::paint(painter, button, caption, Localized::text("devices.logout"),
            QApplication::palette().color(waits ? QPalette::Disabled : QPalette::Active, QPalette::ButtonText));
        right = button.left() - Spacing;
    }

    const int left = row.left() + IconSize + Spacing;
    const QFontMetrics titleMetrics(QApplication::font());
    const QFontMetrics captionMetrics(caption);
    const QString address = index.data(SessionListModel::AddressRole).toString();
    const int textHeight = titleMetrics.height() + (address.isEmpty() ? 0 : captionMetrics.height());
    const int top = row.center().y() - textHeight / 2;
    painter->setFont(QApplication::font());
    painter->setPen(QApplication::palette().color(QPalette::Text));
    painter->drawText(QRect(left, top, right - left, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        titleMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, right - left));
    if (!address.isEmpty()) {
        painter->setFont(caption);
        painter->setPen(Appearance::secondaryText());
        painter->drawText(QRect(left, top + titleMetrics.height(), right - left, captionMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
            captionMetrics.elidedText(address, Qt::ElideRight, right - left));
    }
    painter->restore();
    paintCurrentRow(painter, option);
}

QList<QRect> SessionRow::actionRects(const QStyleOptionViewItem& option, const QModelIndex&, const QList<RowAction>& actions) const
{
    return QList<QRect>(actions.size(), revokeRect(option.rect));
}
