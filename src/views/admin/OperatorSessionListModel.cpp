#include "views/admin/OperatorSessionListModel.h"

#include "state/admin/OperatorConsoleViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/common/PrintfFormat.h"
#include "views/admin/ActionDescription.h"
#include "views/admin/OperatorSessionRow.h"
#include "views/common/Localized.h"
#include "views/common/PlainToolTip.h"

#include <QSet>

bool OperatorSessionListModel::Row::sameRowAs(const Row& other) const
{
    if (session.has_value() != other.session.has_value())
        return false;
    return session ? session->id == other.session->id : headingKey == other.headingKey;
}

bool OperatorSessionListModel::Row::sameContentAs(const Row& other) const
{
    if (!session)
        return count == other.count;
    const OperatorSession& a = *session;
    const OperatorSession& b = *other.session;
    return a.status == b.status && a.customerName == b.customerName && a.lastMessage == b.lastMessage
        && a.createdAt == b.createdAt && a.rating == b.rating;
}

OperatorSessionListModel::OperatorSessionListModel(OperatorConsoleViewModel* sessions, Kind kind, QObject* parent)
    : QAbstractListModel(parent)
    , m_sessions(sessions)
    , m_kind(kind)
    , m_rows(buildRows())
{
    connect(sessions, &OperatorConsoleViewModel::sessionsChanged, this, &OperatorSessionListModel::update);
    // A request on its way greys the row's action, and its end brings it back.
    connect(sessions, &OperatorConsoleViewModel::busyChanged, this, &OperatorSessionListModel::redrawAll);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &OperatorSessionListModel::redrawAll);
}

QList<OperatorSessionListModel::Row> OperatorSessionListModel::buildRows() const
{
    QList<Row> rows;
    const auto addSection = [&rows](const QList<OperatorSession>& sessions, const char* headingKey) {
        if (sessions.isEmpty())
            return;
        if (headingKey)
            rows.append(Row { std::nullopt, headingKey, sessions.size() });
        for (const OperatorSession& session : sessions)
            rows.append(Row { session, nullptr, 0 });
    };
    if (m_kind == Kind::Workspace) {
        addSection(m_sessions->waitingSessions(), "operator.waiting_section");
        addSection(m_sessions->activeSessions(), "operator.active_section");
    } else {
        addSection(m_sessions->endedSessions(), nullptr);
    }
    return rows;
}

void OperatorSessionListModel::update()
{
    QList<Row> next = buildRows();
    Q_EMIT aboutToChange();
    // Rows that went away, then rows that came, each at its place; what stays in
    // both keeps its row and is redrawn only when its content changed.
    const auto keys = [](const QList<Row>& rows) {
        QSet<qint64> ids;
        QSet<const char*> headings;
        for (const Row& r : rows) {
            if (r.session)
                ids.insert(r.session->id);
            else
                headings.insert(r.headingKey);
        }
        return std::pair { ids, headings };
    };
    const auto contains = [](const std::pair<QSet<qint64>, QSet<const char*>>& keys, const Row& r) {
        return r.session ? keys.first.contains(r.session->id) : keys.second.contains(r.headingKey);
    };
    const auto nextKeys = keys(next);
    for (int row = int(m_rows.size()) - 1; row >= 0; --row) {
        if (!contains(nextKeys, m_rows.at(row))) {
            beginRemoveRows({}, row, row);
            m_rows.removeAt(row);
            endRemoveRows();
        }
    }
    const auto currentKeys = keys(m_rows);
    for (int row = 0; row < next.size(); ++row) {
        if (!contains(currentKeys, next.at(row))) {
            beginInsertRows({}, row, row);
            m_rows.insert(row, next.at(row));
            endInsertRows();
        }
    }
    // The same rows in another order (a reload that sorted differently): start over.
    bool sameOrder = m_rows.size() == next.size();
    for (int row = 0; sameOrder && row < next.size(); ++row)
        sameOrder = m_rows.at(row).sameRowAs(next.at(row));
    if (!sameOrder) {
        beginResetModel();
        m_rows = next;
        endResetModel();
    } else {
        for (int row = 0; row < next.size(); ++row) {
            if (m_rows.at(row).sameContentAs(next.at(row)))
                continue;
            m_rows[row] = next.at(row);
            Q_EMIT dataChanged(index(row), index(row));
        }
    }
    Q_EMIT changed();
}

void OperatorSessionListModel::redrawAll()
{
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
}

int OperatorSessionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int OperatorSessionListModel::rowOf(qint64 sessionId) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).session && m_rows.at(row).session->id == sessionId)
            return row;
    }
    return -1;
}

Qt::ItemFlags OperatorSessionListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || !m_rows.at(index.row()).session)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QVariant OperatorSessionListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& row = m_rows.at(index.row());
    if (!row.session) {
        if (role == Qt::DisplayRole)
            return Localized::text(row.headingKey) + QStringLiteral(" (") + QString::number(row.count) + u')';
        if (role == IsHeadingRole)
            return true;
        return {};
    }
    const OperatorSession& session = *row.session;
    switch (role) {
    case Qt::DisplayRole:
        return OperatorSessionRow::displayName(session);
    case Qt::AccessibleTextRole:
        return spokenText(session);
    case Qt::AccessibleDescriptionRole:
        return describeActions(actions(index));
    case RowAction::ActionsRole:
        return QVariant::fromValue(actions(index));
    case Qt::ToolTipRole:
        return plainToolTip(OperatorSessionRow::displayName(session));
    case IsHeadingRole:
        return false;
    case SessionIdRole:
        return session.id;
    case StatusRole:
        return session.status.value_or(QString());
    case LastMessageRole:
        return session.lastMessage.value_or(QString());
    case CreatedAtRole:
        return session.createdAt.value_or(QString());
    case FilledStarsRole:
        if (m_kind == Kind::History)
            return OperatorConsoleViewModel::filledStars(session.rating).value_or(-1);
        return -1;
    default:
        return {};
    }
}

QList<RowAction> OperatorSessionListModel::actions(const QModelIndex& index) const
{
    if (m_kind != Kind::Workspace || !index.isValid() || index.row() >= m_rows.size() || !m_rows.at(index.row()).session)
        return {};
    const OperatorSession& session = *m_rows.at(index.row()).session;
    const bool enabled = !m_sessions->isBusy(session.id);
    if (session.status == u"waiting")
        return { RowAction(QStringLiteral("acceptAction"), Localized::text("operator.accept"), RowAction::Kind::Main, enabled) };
    if (session.status == u"active")
        return { RowAction(QStringLiteral("endAction"), Localized::text("operator.end_session"), RowAction::Kind::Plain, enabled) };
    return {};
}

QString OperatorSessionListModel::spokenText(const OperatorSession& session) const
{
    QStringList parts { OperatorSessionRow::displayName(session) };
    for (const std::optional<QString>& text : { session.lastMessage, session.createdAt }) {
        if (text && !text->trimmed().isEmpty())
            parts << text->simplified();
    }
    if (m_kind == Kind::History) {
        if (const auto stars = OperatorConsoleViewModel::filledStars(session.rating))
            parts << printfFormat(Localized::text("operator.rating_stars"), { QString::number(*stars) });
    }
    return parts.join(QStringLiteral(", "));
}
