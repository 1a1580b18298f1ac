#include "views/account/DeviceRow.h"

#include "views/account/DeviceListModel.h"
#include "views/account/RowButton.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/SystemColors.h"

#include <QApplication>
#include <QPainter>

using Appearance::TextStyle;

namespace {

constexpr int PaddingV = 4;
constexpr int LineGap = 4;
constexpr int IconBox = 32;
constexpr int IconSize = 22;
constexpr int Spacing = 12;

bool isDevice(const QModelIndex& index)
{
    return DeviceListModel::Kind(index.data(DeviceListModel::KindRole).toInt()) == DeviceListModel::Kind::device;
}

bool logoutWaits(const QModelIndex& index)
{
    return index.data(DeviceListModel::LoggingOutRole).toBool();
}

} // namespace

QString DeviceRow::iconName(const std::optional<QString>& deviceType)
{
    const QString type = deviceType.value_or(QString()).toLower();
    if (type == u"ios")
        return QStringLiteral("iphone");
    if (type == u"android")
        return QStringLiteral("phone");
    if (type == u"web")
        return QStringLiteral("globe");
    if (type == u"mac" || type == u"macos")
        return QStringLiteral("laptopcomputer");
    return QStringLiteral("desktopcomputer");
}

QRect DeviceRow::logoutRect(const QRect& row)
{
    return RowButton::rect(row, Appearance::font(TextStyle::Subheadline), Localized::text("devices.logout"), 24);
}

DeviceRow::DeviceRow(QObject* parent)
    : RowActionDelegate(parent)
{
}

QSize DeviceRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!isDevice(index))
        return QSize(option.rect.width(), QFontMetrics(Appearance::font(TextStyle::Subheadline)).height() + 12);
    const int text = QFontMetrics(Appearance::font(TextStyle::Body)).height() + LineGap + QFontMetrics(Appearance::font(TextStyle::Caption)).height()
        + LineGap + QFontMetrics(Appearance::font(TextStyle::Caption2)).height();
    return QSize(option.rect.width(), qMax(IconBox, text) + 2 * PaddingV + 2);
}

void DeviceRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;
    if (!isDevice(index)) {
        painter->setFont(Appearance::font(TextStyle::Subheadline));
        painter->setPen(Appearance::secondaryText());
        painter->drawText(row.adjusted(0, 10, 0, -2), Qt::AlignLeft | Qt::AlignBottom, index.data(Qt::DisplayRole).toString());
        painter->restore();
        return;
    }
    const bool current = index.data(DeviceListModel::IsCurrentRole).toBool();
    const qreal ratio = painter->device()->devicePixelRatioF();
    const QRect content = row.adjusted(0, PaddingV, 0, -(PaddingV + 2));
    const QRect icon(content.left(), content.center().y() - IconBox / 2, IconBox, IconBox);
    painter->drawPixmap(QRect(icon.center().x() - IconSize / 2 + 1, icon.center().y() - IconSize / 2 + 1, IconSize, IconSize),
        Icons::pixmap(index.data(DeviceListModel::IconRole).toString(), IconSize, current ? SystemColors::green() : Appearance::secondaryText(), ratio));

    int right = content.right();
    if (!current) {
        const QRect button = logoutRect(row);
        RowButton::paint(painter, button, Appearance::font(TextStyle::Subheadline), Localized::text("devices.logout"),
            logoutWaits(index) ? Appearance::secondaryText() : SystemColors::red());
        right = button.left() - Spacing;
    }

    const int left = icon.right() + 1 + Spacing;
    const QFont body = Appearance::font(TextStyle::Body);
    const QFont caption = Appearance::font(TextStyle::Caption);
    const QFont caption2 = Appearance::font(TextStyle::Caption2);
    const QFontMetrics bodyMetrics(body);
    const QFontMetrics captionMetrics(caption);
    const QFontMetrics caption2Metrics(caption2);
    const int lastActiveHeight = caption2Metrics.height();
    const QString lastActive = index.data(DeviceListModel::LastActiveRole).toString();
    const int textHeight = bodyMetrics.height() + LineGap + captionMetrics.height() + (lastActive.isEmpty() ? 0 : LineGap + lastActiveHeight);
    int y = content.center().y() - textHeight / 2;

    // The name, shortened to leave room for the badge of this device.
    QString badge;
    int badgeWidth = 0;
    if (current) {
        badge = Localized::text("devices.current_label");
        badgeWidth = caption2Metrics.horizontalAdvance(badge) + 12;
    }
    const int nameRoom = right - left - (badgeWidth ? badgeWidth + 6 : 0);
    const QString name = bodyMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, nameRoom);
    painter->setFont(body);
    painter->setPen(QApplication::palette().color(QPalette::Text));
    painter->drawText(QRect(left, y, nameRoom, bodyMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter, name);
    if (current) {
        const QColor green = SystemColors::green();
        QColor tint = green;
        tint.setAlpha(38);
        // Padded 6 across and 2 down, in a capsule.
        const QRect capsule(left + bodyMetrics.horizontalAdvance(name) + 6, y + (bodyMetrics.height() - caption2Metrics.height() - 4) / 2,
            badgeWidth, caption2Metrics.height() + 4);
        painter->setPen(Qt::NoPen);
        painter->setBrush(tint);
        painter->drawRoundedRect(capsule, capsule.height() / 2.0, capsule.height() / 2.0);
        painter->setFont(caption2);
        painter->setPen(green);
        painter->drawText(capsule, Qt::AlignCenter, badge);
    }
    y += bodyMetrics.height() + LineGap;

    // The platform, then the address, 8 apart; what does not fit is cut.
    painter->setFont(caption);
    painter->setPen(Appearance::secondaryText());
    int x = left;
    for (const int role : { int(DeviceListModel::PlatformRole), int(DeviceListModel::AddressRole) }) {
        const QString detail = index.data(role).toString();
        const int room = right - x;
        if (detail.isEmpty() || room <= 0)
            continue;
        const QString shown = captionMetrics.elidedText(detail, Qt::ElideRight, room);
        painter->drawText(QRect(x, y, room, captionMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter, shown);
        x += captionMetrics.horizontalAdvance(shown) + 8;
    }
    y += captionMetrics.height() + LineGap;
    if (!lastActive.isEmpty()) {
        painter->setFont(caption2);
        painter->drawText(QRect(left, y, right - left, lastActiveHeight), Qt::AlignLeft | Qt::AlignVCenter,
            caption2Metrics.elidedText(lastActive, Qt::ElideRight, right - left));
    }
    painter->restore();
    paintCurrentRow(painter, option);
}

QList<QRect> DeviceRow::actionRects(const QStyleOptionViewItem& option, const QModelIndex&, const QList<RowAction>& actions) const
{
    return QList<QRect>(actions.size(), logoutRect(option.rect));
}
