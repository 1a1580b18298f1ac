#include "views/admin/RolePickerSheet.h"

#include "state/admin/UserManagementViewModel.h"
#include "state/common/PrintfFormat.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

RolePickerSheet::RolePickerSheet(AdminUser user, std::function<void(QString role)> onSelect, QWidget* parent)
    : QDialog(parent)
    , m_user(std::move(user))
    , m_onSelect(std::move(onSelect))
    , m_choices(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("rolePickerSheet"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Localized::text("admin.users_role_title"));
    setFixedWidth(280);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);
    auto* title = new QLabel(Localized::text("admin.users_role_title"), this);
    title->setFont(Appearance::font(Appearance::TextStyle::Headline));
    column->addWidget(title, 0, Qt::AlignHCenter);
    auto* who = new QLabel(printfFormat(Localized::text("admin.users_role_user_label"), { m_user.name.value_or(QStringLiteral("-")) }), this);
    who->setObjectName(QStringLiteral("roleUserLabel"));
    who->setTextFormat(Qt::PlainText);
    Appearance::setTextColor(who, Appearance::secondaryText());
    column->addWidget(who, 0, Qt::AlignHCenter);

    auto* heading = new QLabel(Localized::text("admin.users_role"), this);
    column->addWidget(heading);
    const QStringList labels { Localized::text("admin.users_role_user"), QStringLiteral("VIP"), Localized::text("admin.users_role_operator"),
                               Localized::text("admin.users_role_admin") };
    for (int i = 0; i < labels.size(); ++i) {
        auto* choice = new QRadioButton(labels.at(i), this);
        choice->setObjectName(QStringLiteral("role_") + UserManagementViewModel::roles().at(i));
        m_choices->addButton(choice, i);
        column->addWidget(choice);
    }
    connect(m_choices, &QButtonGroup::idClicked, this, [this](int id) { setSelectedRole(UserManagementViewModel::roles().at(id)); });
    setSelectedRole(m_user.role.value_or(QStringLiteral("user")));

    auto* buttons = new QHBoxLayout;
    auto* cancel = new QPushButton(Localized::text("common.cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    auto* ok = new QPushButton(Localized::text("common.ok"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    column->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &RolePickerSheet::confirm);
    Sheet::setUpKeyboard(this);
    // The sheet opens on the role the user has now (the first, when it is none of them).
    QAbstractButton* current = m_choices->checkedButton();
    (current ? current : m_choices->button(0))->setFocus(Qt::OtherFocusReason);
}

void RolePickerSheet::setSelectedRole(const QString& role)
{
    m_selectedRole = role;
    // A role outside the four leaves every choice empty, which an exclusive group
    // allows only while it is not exclusive. It stays exclusive otherwise: the
    // arrow keys move between the choices of an exclusive group only.
    const qsizetype index = UserManagementViewModel::roles().indexOf(role);
    m_choices->setExclusive(false);
    for (QAbstractButton* button : m_choices->buttons())
        button->setChecked(m_choices->id(button) == index);
    m_choices->setExclusive(true);
}

void RolePickerSheet::confirm()
{
    m_onSelect(m_selectedRole);
    accept();
}
