#pragma once

#include <QWidget>

class AuthViewModel;
class QLabel;
class QListWidget;

// The settings section's middle column: six links, each presenting its screen
// in the detail column.
class SettingsListView : public QWidget {
    Q_OBJECT
public:
    // The label keys of the links, in order.
    static const QStringList& linkKeys();

    explicit SettingsListView(AuthViewModel* authViewModel, QWidget* parent = nullptr);

    // A fresh screen for the link, in its initial state.
    QWidget* destination(int link, QWidget* parent) const;

Q_SIGNALS:
    void linkChosen(int link);

private:
    void retranslate();
    // The staff consoles the user's role allows, each opening its own window.
    void updateConsoleLinks();

    AuthViewModel* m_auth;
    QLabel* m_title = nullptr;
    QListWidget* m_links;
    QListWidget* m_consoleLinks;
};
