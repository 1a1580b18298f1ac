#pragma once

#include "models/AuditMessage.h"
#include "state/admin/AdminPagedTable.h"
#include "state/admin/Tint.h"
#include "state/common/ListReload.h"

#include <QList>

// The message audit screen's rows, 30 to a page; deleting marks the row as deleted
// and keeps it, with the total unchanged.
class MessageAuditViewModel : public AdminPagedTable {
    Q_OBJECT
public:
    static constexpr int pageSize = 30;

    explicit MessageAuditViewModel(APIClient& api, QObject* parent = nullptr);

    const QList<AuditMessage>& messages() const { return m_messages; }
    int rowCount() const override { return int(m_messages.size()); }

    QCoro::Task<> deleteMessage(AuditMessage message);

    static Tint typeColor(const std::optional<QString>& type);

protected:
    void pageRequested() override { m_reload.begin(); }
    std::pair<int, std::optional<qint64>> takePage(const QJsonValue& reply) override;

private:
    QList<AuditMessage> m_messages;
    ListReload<AuditMessage> m_reload;
};
