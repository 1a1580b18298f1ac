#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class QStackedWidget;
class QToolButton;

// A column that shows one screen and lets that screen push another over it, with
// a back button to return. Screens find the stack they are shown in with of().
// The keyboard follows: a pushed screen starts on the back button, and back on the
// screen below, the focus returns to the control that pushed.
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
    void retranslate();

    QToolButton* m_back;
    QStackedWidget* m_screens;
    // Per pushed screen, the control that had the focus when it was pushed.
    QList<QPointer<QWidget>> m_openers;
};
