#pragma once

#include <QObject>
#include <QPointer>

class QDialog;
class QWidget;

// The keyboard of a sheet (a dialog over its window), the same for every sheet:
// - Return in a field presses the sheet's action (the button made default) and no
//   other button, present or added later; Return on a focused button presses that
//   button, as Space does;
// - shown, the sheet puts the focus in its first field, when it has one;
// - closed, it gives the focus back to the control that had it when it opened;
// - Tab goes through it in reading order.
class SheetKeyboard : public QObject {
    Q_OBJECT
public:
    // Lives as long as the dialog.
    static SheetKeyboard* attach(QDialog* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit SheetKeyboard(QDialog* dialog);

    void follow(QObject* object);
    static void settle(QObject* object);
    void shown();
    void hidden();

    QDialog* m_dialog;
    QPointer<QWidget> m_opener;
};
