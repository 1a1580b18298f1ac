#pragma once

#include <QObject>

// Qt draws the focus of a window's controls only after its first key press (the
// window's WA_KeyboardFocusChange): a window that opens, or comes back, with a
// control focused would hide where the keyboard is until a key is pressed. Every
// window that becomes active here shows its focus at once.
class FocusVisible : public QObject {
    Q_OBJECT
public:
    // For the whole application; once per process is enough.
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
