#pragma once

#include "services/SessionService.h"

#include <QAbstractListModel>
#include <QList>

class DeviceManagementViewModel;

// The devices screen's rows: a "this device" heading over the current devices,
// then an "other devices" heading over the rest (none when there are no others).
// A reload that lists the same devices repaints only the rows that changed.
class DeviceListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { currentHeading, othersHeading, device };
    enum Role {
        KindRole = Qt::UserRole + 1,
        DeviceIdRole,
        IsCurrentRole,
        // The symbol of the device's kind.
        IconRole,
        // Platform and address, as the row shows them (either may be missing).
        PlatformRole,
        AddressRole,
        // "Last active: 2024-05-01 10:20"; empty when unknown.
        LastActiveRole,
        // Its sign-out is under way: the button waits.
        LoggingOutRole,
    };

    explicit DeviceListModel(DeviceManagementViewModel* viewModel, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    Kind kindAt(int row) const { return m_rows.at(row).kind; }
    const SessionService::DeviceSession& deviceAt(int row) const { return m_rows.at(row).device; }

private:
    struct Row {
        Kind kind;
        SessionService::DeviceSession device;
    };
    void sync();
    void repaintDevices(int role);

    DeviceManagementViewModel* m_viewModel;
    QList<Row> m_rows;
};
