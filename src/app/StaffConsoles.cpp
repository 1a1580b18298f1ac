#include "app/StaffConsoles.h"

#include "network/APIClient.h"
#include "state/AuthViewModel.h"
#include "state/StaffAccess.h"
#include "views/admin/AdminDashboardView.h"
#include "views/admin/OperatorConsoleView.h"

StaffConsoles* StaffConsoles::of(AuthViewModel* auth, APIClient* api)
{
    if (auto* existing = auth->findChild<StaffConsoles*>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new StaffConsoles(auth, api ? *api : APIClient::shared());
}

StaffConsoles::StaffConsoles(AuthViewModel* auth, APIClient& api)
    : QObject(auth)
    , m_auth(auth)
    , m_api(api)
{
    // Signing out, too, changes the user (to none).
    connect(auth, &AuthViewModel::userChanged, this, &StaffConsoles::closeRevoked);
}

StaffConsoles::~StaffConsoles()
{
    delete m_admin;
    delete m_operator;
}

bool StaffConsoles::isOffered(Console console) const
{
    if (!m_auth->isAuthenticated())
        return false;
    return console == Console::Administration ? staffaccess::canAdminister(m_auth->user())
                                              : staffaccess::canServeCustomers(m_auth->user());
}

void StaffConsoles::open(Console console)
{
    if (!isOffered(console))
        return;
    QPointer<QWidget>& window = console == Console::Administration ? m_admin : m_operator;
    if (!window) {
        if (console == Console::Administration)
            window = new AdminDashboardView(m_api);
        else
            window = new OperatorConsoleView(m_api);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->resize(1040, 660);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget* StaffConsoles::window(Console console) const
{
    return console == Console::Administration ? m_admin.data() : m_operator.data();
}

void StaffConsoles::closeRevoked()
{
    if (m_admin && !isOffered(Console::Administration))
        m_admin->close();
    if (m_operator && !isOffered(Console::Operator))
        m_operator->close();
    Q_EMIT offersChanged();
}
