#include "views/contacts/ContactLetterKeys.h"

#include "state/contacts/LetterIndex.h"
#include "views/contacts/ContactListModel.h"

#include <QAbstractItemView>
#include <QKeyEvent>

void ContactLetterKeys::attach(QAbstractItemView* view, ContactListModel* model)
{
    view->installEventFilter(new ContactLetterKeys(view, model));
}

ContactLetterKeys::ContactLetterKeys(QAbstractItemView* view, ContactListModel* model)
    : QObject(view)
    , m_view(view)
    , m_model(model)
{
}

bool ContactLetterKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view || event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = key->text();
    // One printable character, not Space: read as the names are lettered (é is E, 张 is Z, 7 is #).
    if (text.size() != 1 || !text.front().isPrint() || text.front().isSpace())
        return false;
    const int row = m_model->rowForLetter(letterIndex::letterFor(text), m_view->currentIndex().isValid() ? m_view->currentIndex().row() : -1);
    if (row >= 0) {
        const QModelIndex index = m_model->index(row);
        m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_view->scrollTo(index);
    }
    // A letter with no contacts under it or after it moves nothing (it does not search the names).
    return true;
}
