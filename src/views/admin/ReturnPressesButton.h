#pragma once

#include <QObject>

class QWidget;

// Return on a focused button of a staff console's window presses it, as Space does:
// Qt's buttons take Return only inside dialogs.
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
