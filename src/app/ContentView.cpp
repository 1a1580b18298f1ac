#include "app/ContentView.h"

#include "app/MainView.h"
#include "state/chat/AuthViewModel.h"
#include "views/chat/LoginView.h"
#include "views/common/VisualTabOrder.h"

#include <QVBoxLayout>

ContentView::ContentView(AuthViewModel* authViewModel, QWidget* parent)
    : QWidget(parent)
    , m_auth(authViewModel)
{
    setObjectName(QStringLiteral("contentView"));
    VisualTabOrder::keep(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(m_auth, &AuthViewModel::isAuthenticatedChanged, this, &ContentView::rebuild);
    rebuild();
}

void ContentView::rebuild()
{
    const bool signedIn = m_auth->isAuthenticated();
    if (m_screen && signedIn == m_showsMain)
        return;
    delete m_screen;
    m_showsMain = signedIn;
    if (signedIn)
        m_screen = new MainView(m_auth, this);
    else
        m_screen = new LoginView(m_auth, this);
    layout()->addWidget(m_screen);
    m_screen->show();
    if (!signedIn)
        m_screen->findChild<QWidget*>(QStringLiteral("usernameField"))->setFocus();
}
