#include "views/common/SheetKeyboard.h"

#include "views/common/VisualTabOrder.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QChildEvent>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>

namespace {

bool isField(const QWidget* widget)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return !line->isReadOnly();
    if (const auto* text = qobject_cast<const QTextEdit*>(widget))
        return !text->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return !plain->isReadOnly();
    return qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QComboBox*>(widget);
}

bool isPlainReturn(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

SheetKeyboard* SheetKeyboard::attach(QDialog* dialog)
{
    return new SheetKeyboard(dialog);
}

SheetKeyboard::SheetKeyboard(QDialog* dialog)
    : QObject(dialog)
    , m_dialog(dialog)
{
    VisualTabOrder::keep(dialog);
    follow(dialog);
    for (QObject* child : dialog->findChildren<QObject*>()) {
        if (child != this)
            follow(child);
    }
}

void SheetKeyboard::follow(QObject* object)
{
    object->installEventFilter(this);
    settle(object);
}

// Push buttons in a dialog take Return by default (and the first of them becomes the
// dialog's default), so a field's Return would also press, say, Close. Only a fully
// made button can be asked: ChildAdded comes while it is still being constructed,
// ChildPolished once it is ready.
void SheetKeyboard::settle(QObject* object)
{
    if (auto* button = qobject_cast<QPushButton*>(object); button && !button->isDefault())
        button->setAutoDefault(false);
}

bool SheetKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        follow(static_cast<QChildEvent*>(event)->child());
        break;
    case QEvent::ChildPolished:
        settle(static_cast<QChildEvent*>(event)->child());
        break;
    case QEvent::KeyPress:
        if (isPlainReturn(static_cast<QKeyEvent*>(event))) {
            auto* button = qobject_cast<QAbstractButton*>(watched);
            if (button && (qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button)) && button->hasFocus()
                && button->isEnabled()) {
                button->click();
                return true;
            }
        }
        break;
    case QEvent::Show:
        if (watched == m_dialog)
            shown();
        break;
    case QEvent::Hide:
        if (watched == m_dialog)
            hidden();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void SheetKeyboard::shown()
{
    QWidget* focused = QApplication::focusWidget();
    m_opener = focused && focused->window() != m_dialog ? focused : nullptr;
    // The first field in reading order, so what the person types lands in it.
    VisualTabOrder::apply(m_dialog);
    for (QWidget* next = m_dialog->nextInFocusChain(); next && next != m_dialog; next = next->nextInFocusChain()) {
        if (next->window() == m_dialog && next->isVisibleTo(m_dialog) && next->isEnabled() && isField(next)
            && (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void SheetKeyboard::hidden()
{
    QWidget* opener = m_opener;
    m_opener = nullptr;
    if (!opener || !opener->isVisible() || !opener->isEnabled())
        return;
    opener->window()->activateWindow();
    opener->setFocus(Qt::OtherFocusReason);
}
