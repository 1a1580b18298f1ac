#include "views/admin/ReturnPressesButton.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

void ReturnPressesButton::attach(QWidget* window)
{
    new ReturnPressesButton(window);
}

ReturnPressesButton::ReturnPressesButton(QWidget* window)
    : QObject(window)
    , m_window(window)
{
    window->installEventFilter(this);
}

bool ReturnPressesButton::eventFilter(QObject* watched, QEvent* event)
{
    // A Return that nothing took (a field's Return is taken, a list's runs its row)
    // comes up to the window: a button that has the keyboard answers it.
    if (watched != m_window || event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || (key->modifiers() & ~Qt::KeypadModifier))
        return false;
    auto* button = qobject_cast<QAbstractButton*>(m_window->focusWidget());
    if (!button || !(qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button)) || !button->isEnabled()
        || !button->isVisible())
        return false;
    button->click();
    return true;
}
