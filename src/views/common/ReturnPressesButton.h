#pragma once

#include <QObject>

class QWidget;

// Return on a focused button of a window presses it, as Space does: Qt's buttons
// take Return only inside dialogs. Dialogs keep their own keys (a confirmation's
// Return goes to its default answer, which is never the destructive one).
class ReturnPressesButton : public QObject {
    Q_OBJECT
public:
    // Gives window this key; it lives as long as the window.
    static void attach(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ReturnPressesButton(QWidget* window);

    QWidget* m_window;
};
