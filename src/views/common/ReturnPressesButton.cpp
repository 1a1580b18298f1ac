#include "views/common/ReturnPressesButton.h"

#include <QApplication>
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
    // Seen at the button itself, before it passes the key on: a Return typed into
    // a field that lets it through must not press whichever button had the focus last.
    qApp->installEventFilter(this);
}

bool ReturnPressesButton::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button || !(qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button)) || button->window() != m_window)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || (key->modifiers() & ~Qt::KeypadModifier))
        return false;
    if (!button->hasFocus() || !button->isEnabled() || !button->isVisible())
        return false;
    button->click();
    return true;
}
