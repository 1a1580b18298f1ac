#pragma once

#include "views/common/RowActionDelegate.h"

#include <optional>

// One painted row of the devices screen: a section heading, or a signed-in
// device with its kind's icon (green for this device), name with the "this
// device" badge, platform and address, when it was last active and, for the
// other devices, a sign-out button. Rows of a kind share one height.
class DeviceRow : public RowActionDelegate {
    Q_OBJECT
public:
    // The symbol for a device type, compared without letter case.
    static QString iconName(const std::optional<QString>& deviceType);
    // Where an other device's row draws its sign-out button.
    static QRect logoutRect(const QRect& row);

    explicit DeviceRow(QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    QList<QRect> actionRects(const QStyleOptionViewItem& option, const QModelIndex& index,
                             const QList<RowAction>& actions) const override;
};
