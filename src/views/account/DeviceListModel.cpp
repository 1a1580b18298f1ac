#include "views/account/DeviceListModel.h"

#include "state/account/DeviceManagementViewModel.h"
#include "views/account/DeviceRow.h"
#include "views/common/Localized.h"
#include "views/common/RowAction.h"

namespace {

using DeviceSession = SessionService::DeviceSession;

bool sameDevice(const DeviceSession& a, const DeviceSession& b)
{
    return a.deviceName == b.deviceName && a.deviceType == b.deviceType && a.platform == b.platform && a.lastIp == b.lastIp
        && a.lastActiveAt == b.lastActiveAt;
}

} // namespace

DeviceListModel::DeviceListModel(DeviceManagementViewModel* viewModel, QObject* parent)
    : QAbstractListModel(parent)
    , m_viewModel(viewModel)
{
    connect(viewModel, &DeviceManagementViewModel::devicesChanged, this, &DeviceListModel::sync);
    connect(viewModel, &DeviceManagementViewModel::loggingOutChanged, this, [this] { repaintDevices(LoggingOutRole); });
    sync();
}

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const
{
    // Headings are passed over by the keyboard.
    if (!index.isValid() || index.row() >= rowCount() || m_rows.at(index.row()).kind != Kind::device)
        return Qt::NoItemFlags;
    return QAbstractListModel::flags(index);
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows.at(index.row());
    if (role == KindRole)
        return int(row.kind);
    if (row.kind != Kind::device) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return Localized::text(row.kind == Kind::currentHeading ? "devices.current" : "devices.others");
        return {};
    }
    const DeviceSession& device = row.device;
    const bool current = DeviceManagementViewModel::isCurrent(device);
    switch (role) {
    case Qt::DisplayRole:
        return device.deviceName.value_or(Localized::text("devices.unknown_device"));
    case Qt::AccessibleTextRole: {
        QStringList parts { data(index, Qt::DisplayRole).toString() };
        if (current)
            parts << Localized::text("devices.current_label");
        for (const int detail : { int(PlatformRole), int(AddressRole), int(LastActiveRole) }) {
            if (const QString text = data(index, detail).toString(); !text.isEmpty())
                parts << text;
        }
        return parts.join(QStringLiteral(", "));
    }
    case RowAction::ActionsRole:
    case Qt::AccessibleDescriptionRole: {
        QList<RowAction> actions;
        if (!current)
            actions << RowAction { QStringLiteral("logout"), Localized::text("devices.logout"), RowAction::Kind::Destructive,
                                   !m_viewModel->isLoggingOut(device.id) };
        return RowAction::data(actions, role);
    }
    case DeviceIdRole:
        return device.id;
    case IsCurrentRole:
        return current;
    case IconRole:
        return DeviceRow::iconName(device.deviceType);
    case PlatformRole:
        return device.platform.value_or(QString());
    case AddressRole:
        return device.lastIp.value_or(QString());
    case LoggingOutRole:
        return m_viewModel->isLoggingOut(device.id);
    case LastActiveRole:
        return device.lastActiveAt ? Localized::text("devices.last_active") + QStringLiteral(": ")
                + DeviceManagementViewModel::shownLastActive(*device.lastActiveAt)
                                   : QString();
    default:
        return {};
    }
}

void DeviceListModel::sync()
{
    QList<Row> rows;
    if (!m_viewModel->devices().isEmpty()) {
        rows.append({ Kind::currentHeading, {} });
        for (const DeviceSession& device : m_viewModel->currentDevices())
            rows.append({ Kind::device, device });
        const QList<DeviceSession> others = m_viewModel->otherDevices();
        if (!others.isEmpty()) {
            rows.append({ Kind::othersHeading, {} });
            for (const DeviceSession& device : others)
                rows.append({ Kind::device, device });
        }
    }
    bool sameRows = rows.size() == m_rows.size();
    for (qsizetype i = 0; sameRows && i < rows.size(); ++i)
        sameRows = rows.at(i).kind == m_rows.at(i).kind && rows.at(i).device.id == m_rows.at(i).device.id
            && DeviceManagementViewModel::isCurrent(rows.at(i).device) == DeviceManagementViewModel::isCurrent(m_rows.at(i).device);
    if (!sameRows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
        return;
    }
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (sameDevice(rows.at(i).device, m_rows.at(i).device))
            continue;
        m_rows[i] = rows.at(i);
        Q_EMIT dataChanged(index(int(i)), index(int(i)));
    }
}

void DeviceListModel::repaintDevices(int role)
{
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0), index(rowCount() - 1), { role });
}
