#pragma once

#include "models/AuditMessage.h"
#include "views/admin/AdminPagedTableView.h"

class APIClient;
class MessageAuditViewModel;

// The message audit table: sender, type badge, content, time, and the delete
// button (or the deleted mark) with its confirmation.
class MessageAuditView : public AdminPagedTableView {
    Q_OBJECT
public:
    explicit MessageAuditView(APIClient& api, QWidget* parent = nullptr);

    MessageAuditViewModel* model() const { return m_model; }
    void requestDelete(const AuditMessage& message);

    QVariant cellData(int row, int column, int role) const override;

protected:
    void actionTriggered(int row, const QString& name) override;

private:
    MessageAuditView(MessageAuditViewModel* model, QWidget* parent);
    // The sender's name, or their id when the record has no name.
    static QString senderText(const AuditMessage& message);

    MessageAuditViewModel* m_model;
};
