#pragma once

#include <QMessageBox>

#include <functional>

// A confirmation with a visible title, the action's button (red when it destroys
// something) and "common.cancel". Opened with open(); deletes itself when closed.
class ConfirmationDialog : public QMessageBox {
    Q_OBJECT
public:
    ConfirmationDialog(const QString& title, const QString& action, bool destructive, std::function<void()> onConfirm,
                       QWidget* parent);

    QPushButton* actionButton() const { return m_action; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QPushButton* m_action;
    QPushButton* m_cancel;
};
