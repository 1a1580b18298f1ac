#pragma once

#include <QWidget>

class QStackedWidget;
class QToolButton;

// A column that shows one screen and lets that screen push another over it, with
// a back button to return. Screens find the stack they are shown in with of().
class NavigationStack : public QWidget {
    Q_OBJECT
public:
    explicit NavigationStack(QWidget* root, QWidget* parent = nullptr);

    // The nearest stack holding widget; none when it is shown outside one.
    static NavigationStack* of(QWidget* widget);

    // Shows screen over the current one; the stack owns it until it is popped.
    void push(QWidget* screen);
    // Back to the previous screen, deleting the current one; the root stays.
    void pop();
    QWidget* top() const;
    int depth() const;

private:
    void updateBackButton();

    QToolButton* m_back;
    QStackedWidget* m_screens;
};
