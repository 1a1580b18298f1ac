#pragma once

#include "models/AdminUser.h"

#include <QDialog>

#include <functional>

class QButtonGroup;

// The small sheet in which an administrator picks an account's role. It starts on
// the account's role ("user" when it has none; no choice for a role it does not
// know) and hands the choice back on "common.ok", even when unchanged.
class RolePickerSheet : public QDialog {
    Q_OBJECT
public:
    RolePickerSheet(AdminUser user, std::function<void(QString role)> onSelect, QWidget* parent = nullptr);

    QString selectedRole() const { return m_selectedRole; }
    void setSelectedRole(const QString& role);
    void confirm();

private:
    AdminUser m_user;
    std::function<void(QString)> m_onSelect;
    QString m_selectedRole;
    QButtonGroup* m_choices;
};
