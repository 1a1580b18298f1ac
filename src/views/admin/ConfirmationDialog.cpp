#include "views/admin/ConfirmationDialog.h"

#include "views/admin/TintColor.h"
#include "views/common/Localized.h"

#include <QPushButton>

ConfirmationDialog::ConfirmationDialog(const QString& title, const QString& action, bool destructive,
                                       std::function<void()> onConfirm, QWidget* parent)
    : QMessageBox(QMessageBox::Question, title, title, QMessageBox::NoButton, parent)
{
    setObjectName(QStringLiteral("confirmationDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setTextFormat(Qt::PlainText);
    m_action = addButton(action, destructive ? QMessageBox::DestructiveRole : QMessageBox::AcceptRole);
    m_action->setObjectName(QStringLiteral("confirmButton"));
    m_action->setProperty("destructive", destructive);
    if (destructive)
        m_action->setStyleSheet(QStringLiteral("color: %1;").arg(tintColor(Tint::Red).name()));
    m_cancel = addButton(Localized::text("common.cancel"), QMessageBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    setEscapeButton(m_cancel);
    // Return must never destroy: it answers "cancel", and the destructive button
    // does not take Return even when it has the focus.
    if (destructive) {
        m_action->setAutoDefault(false);
        setDefaultButton(m_cancel);
    } else {
        setDefaultButton(m_action);
    }
    connect(m_action, &QPushButton::clicked, this, [onConfirm = std::move(onConfirm)] { onConfirm(); });
}
