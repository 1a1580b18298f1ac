#pragma once

#include <QObject>

class QWidget;

// The keys a staff console's own window answers, as the platform's other windows
// do: the close shortcut (Ctrl+W) closes it, and Return on a focused button
// presses it, as Space does (Qt's buttons take Return only inside dialogs).
class ConsoleWindowKeys : public QObject {
    Q_OBJECT
public:
    // Gives window these keys; they live as long as it.
    static void attach(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ConsoleWindowKeys(QWidget* window);

    QWidget* m_window;
};
