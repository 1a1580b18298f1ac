#pragma once

#include <QWidget>

class AuthViewModel;

// The main window's root: the login screen while signed out, the main window
// while signed in, rebuilt afresh each time the flag changes.
class ContentView : public QWidget {
    Q_OBJECT
public:
    explicit ContentView(AuthViewModel* authViewModel, QWidget* parent = nullptr);

    QWidget* currentScreen() const { return m_screen; }

private:
    void rebuild();

    AuthViewModel* m_auth;
    QWidget* m_screen = nullptr;
    bool m_showsMain = false;
};
