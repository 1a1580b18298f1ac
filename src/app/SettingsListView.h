#pragma once

#include <QList>
#include <QWidget>

class AuthViewModel;
class QLabel;
class QListWidget;

// The links of the settings section, in the order the list shows them.
enum class SettingsLink { general, privacy, notifications, vip, gifts, profile };

// The settings section's middle column: six links, each presenting its screen
// in the detail column.
class SettingsListView : public QWidget {
    Q_OBJECT
public:
    static const QList<SettingsLink>& links();
    static QString titleKey(SettingsLink link);

    explicit SettingsListView(AuthViewModel* authViewModel, QWidget* parent = nullptr);

    // A fresh screen for the link, in its initial state.
    QWidget* destination(SettingsLink link, QWidget* parent) const;

Q_SIGNALS:
    void linkChosen(SettingsLink link);

private:
    void retranslate();
    // The staff consoles the user's role allows, each opening its own window.
    void updateConsoleLinks();

    AuthViewModel* m_auth;
    QLabel* m_title = nullptr;
    QListWidget* m_links;
    QListWidget* m_consoleLinks;
};
