#pragma once

#include <QCoroTask>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class AuthViewModel;
class ContentView;
class QAction;
class QtTranslations;
class QMainWindow;
class QMenu;
class QWidget;

// The application: the one sign-in state, the main window with its root view,
// the Settings window, and the connection policy that connects the live channel
// while someone is signed in and disconnects it when they sign out.
class MorvaneApp : public QObject {
    Q_OBJECT
public:
    // What the policy needs of the live channel; tests record the calls.
    struct Channel {
        std::function<void(qint64 userId)> connect;
        std::function<void()> disconnect;
        std::function<bool()> isConnected;
    };

    MorvaneApp();
    MorvaneApp(std::unique_ptr<AuthViewModel> authViewModel, Channel channel);
    ~MorvaneApp() override;

    // Shows the main window; the first time also starts the observers and the launch task.
    void show();
    void openSettings();

    AuthViewModel* authViewModel() const { return m_auth.get(); }
    QMainWindow* mainWindow() const { return m_window.get(); }
    ContentView* contentView() const { return m_content; }
    QWidget* settingsWindow() const { return m_settings.get(); }

    // The launch task: connect with the restored user, then re-read the user.
    QCoro::Task<> launch();

Q_SIGNALS:
    void launchFinished();

private:
    void retranslate();
    // The application menu's entries to the staff consoles, shown by role.
    void addConsoleActions(QMenu* menu);
    void authenticationChanged();
    void userIdChanged();
    void languageChanged();
    void openChannel(qint64 userId);
    std::optional<qint64> currentUserId() const;

    std::unique_ptr<AuthViewModel> m_auth;
    Channel m_channel;
    std::unique_ptr<QtTranslations> m_qtTranslations;
    QAction* m_settingsAction = nullptr;
    std::unique_ptr<QMainWindow> m_window;
    ContentView* m_content;
    std::unique_ptr<QWidget> m_settings;
    // The user the channel was opened for since the last sign-in; none when signed out.
    std::optional<qint64> m_channelUserId;
    bool m_started = false;
};
