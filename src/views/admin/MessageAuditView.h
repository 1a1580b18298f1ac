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

protected:
    void fillRow(int row) override;

private:
    MessageAuditView(MessageAuditViewModel* model, QWidget* parent);

    MessageAuditViewModel* m_model;
};
