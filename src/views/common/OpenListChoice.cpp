#include "views/common/OpenListChoice.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

void OpenListChoice::apply(QComboBox* box)
{
    new OpenListChoice(box);
}

OpenListChoice::OpenListChoice(QComboBox* box)
    : QObject(box)
    , m_box(box)
{
    box->installEventFilter(this);
}

bool OpenListChoice::eventFilter(QObject* watched, QEvent* event)
{
    // The box is asked nothing for other events: it sends some (its focus leaving)
    // while it is being taken down.
    if (watched != m_box || (event->type() != QEvent::Wheel && event->type() != QEvent::KeyPress) || m_box->view()->isVisible())
        return false;
    if (event->type() == QEvent::Wheel)
        return true;
    auto* key = static_cast<QKeyEvent*>(event);
    static const QList<int> stepping { Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End };
    const bool letter = !key->text().isEmpty() && key->text().at(0).isPrint() && key->text() != QStringLiteral(" ")
        && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!letter && (!stepping.contains(key->key()) || (key->modifiers() & ~Qt::KeypadModifier)))
        return false;
    m_box->showPopup();
    if (letter) {
        QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
        QApplication::sendEvent(m_box->view(), &again);
    }
    return true;
}
