#include "app/StaffConsoles.h"

#include "network/APIClient.h"
#include "state/admin/StaffAccess.h"
#include "state/chat/AuthViewModel.h"
#include "views/admin/AdminDashboardView.h"
#include "views/admin/OperatorConsoleView.h"
#include "views/common/CloseShortcut.h"
#include "views/common/Localized.h"
#include "views/common/WindowAccessible.h"

#include <QMessageBox>

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
    // Signing out, too, changes the user (to none). A console the server refuses makes
    // the sign-in state read the account again, and a role taken away closes it here.
    connect(auth, &AuthViewModel::userChanged, this, &StaffConsoles::closeRevoked);
    m_owner = signedInUserId();
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
        CloseShortcut::install(window);
        WindowAccessible::mark(window);
        // The smallest size at which every console screen shows its texts whole,
        // in all three languages.
        window->setMinimumSize(860, 540);
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

std::optional<qint64> StaffConsoles::signedInUserId() const
{
    const std::optional<User> user = m_auth->user();
    return m_auth->isAuthenticated() && user ? std::optional(user->id) : std::nullopt;
}

void StaffConsoles::closeRevoked()
{
    // Another account in, with or without a sign-out between: what the consoles hold
    // is the last one's, so they close as at a sign-out.
    const std::optional<qint64> user = signedInUserId();
    const bool anotherUser = user != m_owner;
    m_owner = user;
    bool closed = false;
    for (const Console console : { Console::Administration, Console::Operator }) {
        QPointer<QWidget>& window = console == Console::Administration ? m_admin : m_operator;
        if (window && (anotherUser || !isOffered(console))) {
            window->close();
            closed = true;
        }
    }
    // A change of account explains itself; a console taken away from the same
    // signed-in user does not.
    if (closed && !anotherUser) {
        auto* notice = new QMessageBox(QMessageBox::Information, QStringLiteral("Morvane"),
                                       Localized::text("console.role_revoked"), QMessageBox::Ok);
        notice->setObjectName(QStringLiteral("consoleRevokedNotice"));
        notice->setAttribute(Qt::WA_DeleteOnClose);
        notice->open();
    }
    Q_EMIT offersChanged();
}
