#include "views/admin/ConsoleWindowKeys.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QWidget>

void ConsoleWindowKeys::attach(QWidget* window)
{
    new ConsoleWindowKeys(window);
}

ConsoleWindowKeys::ConsoleWindowKeys(QWidget* window)
    : QObject(window)
    , m_window(window)
{
    auto* close = new QShortcut(QKeySequence::Close, window);
    connect(close, &QShortcut::activated, window, &QWidget::close);
    window->installEventFilter(this);
}

bool ConsoleWindowKeys::eventFilter(QObject* watched, QEvent* event)
{
    // A Return that nothing took (a field's Return is taken, a list's runs its row)
    // comes up to the window: a button that has the keyboard answers it.
    if (watched != m_window || event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || (key->modifiers() & ~Qt::KeypadModifier))
        return false;
    QWidget* focused = m_window->focusWidget();
    auto* button = qobject_cast<QAbstractButton*>(focused);
    if (!button || !(qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button)) || !button->isEnabled()
        || !button->isVisible())
        return false;
    button->click();
    return true;
}
