#include "app/MorvaneApp.h"

#include "app/ContentView.h"
#include "app/QtTranslations.h"
#include "app/SessionBus.h"
#include "app/StaffConsoles.h"
#include "network/WebSocketService.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/account/GeneralSettingsView.h"
#include "views/common/Appearance.h"
#include "views/common/CloseShortcut.h"
#include "views/common/Localized.h"
#include "views/common/ReturnPressesButton.h"
#include "views/common/VisualTabOrder.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QVBoxLayout>

namespace {

MorvaneApp::Channel sharedChannel()
{
    return {
        [](qint64 userId) { WebSocketService::shared()->connect(userId); },
        [] { WebSocketService::shared()->disconnect(); },
        [] { return WebSocketService::shared()->isConnected(); },
    };
}

} // namespace

MorvaneApp::MorvaneApp()
    : MorvaneApp(std::make_unique<AuthViewModel>(), sharedChannel())
{
}

MorvaneApp::MorvaneApp(std::unique_ptr<AuthViewModel> authViewModel, Channel channel)
    : m_auth(std::move(authViewModel))
    , m_channel(std::move(channel))
{
    SessionBus::joinInBackground();
    // Before the first widget: until the event loop runs, a new application font does
    // not reach widgets that already exist, and the login screen would keep the default face.
    Appearance::install();
    m_qtTranslations = std::make_unique<QtTranslations>();
    m_window = std::make_unique<QMainWindow>();
    m_window->setObjectName(QStringLiteral("mainWindow"));
    m_window->setWindowTitle(QStringLiteral("Morvane"));
    m_window->resize(1100, 700);
    m_window->setMinimumSize(900, 600);
    m_content = new ContentView(m_auth.get(), m_window.get());
    m_window->setCentralWidget(m_content);
    ReturnPressesButton::attach(m_window.get());

    QMenu* appMenu = m_window->menuBar()->addMenu(QStringLiteral("Morvane"));
    m_settingsAction = appMenu->addAction(QString());
    m_settingsAction->setObjectName(QStringLiteral("openSettingsAction"));
    // The platform's Preferences sequence is empty on most Linux desktops; Ctrl+,
    // is what people press there too.
    QList<QKeySequence> keys { QKeySequence(Qt::CTRL | Qt::Key_Comma) };
    for (const QKeySequence& platform : QKeySequence::keyBindings(QKeySequence::Preferences)) {
        if (!keys.contains(platform))
            keys.append(platform);
    }
    m_settingsAction->setShortcuts(keys);
    m_settingsAction->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_settingsAction, &QAction::triggered, this, &MorvaneApp::openSettings);
    addConsoleActions(appMenu);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &MorvaneApp::retranslate);
    retranslate();
}

void MorvaneApp::retranslate()
{
    m_settingsAction->setText(Localized::text("content.settings_title"));
    if (m_settings)
        m_settings->setWindowTitle(Localized::text("settings.general_title"));
}

void MorvaneApp::addConsoleActions(QMenu* menu)
{
    StaffConsoles* consoles = StaffConsoles::of(m_auth.get());
    QAction* admin = menu->addAction(QString());
    admin->setObjectName(QStringLiteral("openAdminConsoleAction"));
    QAction* operatorConsole = menu->addAction(QString());
    operatorConsole->setObjectName(QStringLiteral("openOperatorConsoleAction"));
    connect(admin, &QAction::triggered, consoles, [consoles] { consoles->open(StaffConsoles::Console::Administration); });
    connect(operatorConsole, &QAction::triggered, consoles, [consoles] { consoles->open(StaffConsoles::Console::Operator); });
    const auto update = [consoles, admin, operatorConsole] {
        admin->setText(Localized::text("admin.title"));
        operatorConsole->setText(Localized::text("operator.title"));
        admin->setVisible(consoles->isOffered(StaffConsoles::Console::Administration));
        operatorConsole->setVisible(consoles->isOffered(StaffConsoles::Console::Operator));
    };
    connect(consoles, &StaffConsoles::offersChanged, admin, update);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, admin, update);
    update();
}

MorvaneApp::~MorvaneApp() = default;

void MorvaneApp::show()
{
    m_window->show();
    if (m_started)
        return;
    m_started = true;
    // The observers see changes from here on, never the value at launch.
    m_channelUserId = currentUserId();
    connect(m_auth.get(), &AuthViewModel::isAuthenticatedChanged, this, &MorvaneApp::authenticationChanged);
    connect(m_auth.get(), &AuthViewModel::userChanged, this, &MorvaneApp::userIdChanged);
    connect(&LocalizationManager::shared(), &LocalizationManager::currentLanguageChanged, this, &MorvaneApp::languageChanged);
    launch();
}

void MorvaneApp::openSettings()
{
    if (!m_settings) {
        m_settings = std::make_unique<QWidget>();
        m_settings->setObjectName(QStringLiteral("settingsWindow"));
        m_settings->resize(520, 620);
        CloseShortcut::install(m_settings.get());
        VisualTabOrder::keep(m_settings.get());
        ReturnPressesButton::attach(m_settings.get());
        auto* layout = new QVBoxLayout(m_settings.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new GeneralSettingsView(m_auth.get(), m_settings.get()));
        retranslate();
    }
    m_settings->show();
    m_settings->raise();
    // Asked for again while it waits behind the main window, it takes the keyboard too.
    m_settings->activateWindow();
}

std::optional<qint64> MorvaneApp::currentUserId() const
{
    const std::optional<User> user = m_auth->user();
    return user ? std::optional(user->id) : std::nullopt;
}

void MorvaneApp::authenticationChanged()
{
    if (!m_auth->isAuthenticated()) {
        m_channelUserId.reset();
        m_channel.disconnect();
        return;
    }
    // A sign-in announces its user and its new state one after the other, in either
    // order: the first opens the channel, the second must not open it again (the
    // first socket would be dropped as soon as it was opened).
    const std::optional<qint64> userId = currentUserId();
    if (userId && userId != m_channelUserId && !m_channel.isConnected())
        openChannel(*userId);
}

void MorvaneApp::userIdChanged()
{
    const std::optional<qint64> userId = currentUserId();
    if (userId && userId != m_channelUserId && m_auth->isAuthenticated())
        openChannel(*userId);
}

void MorvaneApp::openChannel(qint64 userId)
{
    m_channelUserId = userId;
    m_channel.connect(userId);
}

void MorvaneApp::languageChanged()
{
    // The live channel's language is that of its upgrade: open it again, so what the
    // server writes on it follows the switch at once.
    const std::optional<qint64> userId = currentUserId();
    if (userId && m_auth->isAuthenticated())
        openChannel(*userId);
}

QCoro::Task<> MorvaneApp::launch()
{
    QPointer<MorvaneApp> self(this);
    if (!m_auth->isAuthenticated()) {
        Q_EMIT launchFinished();
        co_return;
    }
    if (const std::optional<qint64> userId = currentUserId())
        openChannel(*userId);
    co_await m_auth->refreshCurrentUser();
    if (self)
        Q_EMIT self->launchFinished();
}
