#include "views/common/ListKeyboard.h"

#include "views/common/ContextMenu.h"
#include "views/common/RowActionDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QListView>
#include <QTableView>

ListKeyboard* ListKeyboard::attach(QAbstractItemView* view)
{
    return new ListKeyboard(view);
}

ListKeyboard::ListKeyboard(QAbstractItemView* view)
    : QObject(view)
    , m_view(view)
{
    setObjectName(QStringLiteral("listKeyboard"));
    m_view->setFocusPolicy(Qt::StrongFocus);
    m_view->setTabKeyNavigation(false);
    m_view->installEventFilter(this);
}

bool ListKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view)
        return false;
    if (event->type() == QEvent::ContextMenu && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        openMenu();
        return true;
    }
    if (event->type() == QEvent::FocusIn && m_showsCurrentOnEntry && static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason)
        showRowIfNone(m_lastRow);
    // A list may set its current row quietly (to follow a choice made elsewhere):
    // where the keyboard left it is the row it comes back near. A list being
    // destroyed loses the focus too, once it is only a QWidget (the cast tells).
    if (event->type() == QEvent::FocusOut && qobject_cast<QAbstractItemView*>(watched) && m_view->currentIndex().isValid())
        m_lastRow = m_view->currentIndex().row();
    if (event->type() != QEvent::KeyPress || !m_view->model())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const int current = m_view->currentIndex().isValid() ? m_view->currentIndex().row() : -1;
    const int last = m_view->model()->rowCount(m_view->rootIndex()) - 1;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers != Qt::NoModifier)
            return false;
        if (m_returnOpensMenu) {
            openMenu();
            return true;
        }
        return runMainAction();
    case Qt::Key_Menu:
        openMenu();
        return true;
    case Qt::Key_F10:
        if (modifiers != Qt::ShiftModifier)
            return false;
        openMenu();
        return true;
    case Qt::Key_Home:
        moveTo(0, 1);
        return true;
    case Qt::Key_End:
        moveTo(last, -1);
        return true;
    case Qt::Key_PageDown:
        moveTo(std::min(last, current + rowsPerPage()), -1);
        return true;
    case Qt::Key_PageUp:
        if (current >= 0 && current == firstUsable()) {
            Q_EMIT pageUpAtTop();
            return true;
        }
        moveTo(std::max(0, current - rowsPerPage()), 1);
        return true;
    default:
        return false;
    }
}

bool ListKeyboard::runMainAction()
{
    const QModelIndex cell = RowAction::cellOfRow(m_view->currentIndex());
    for (const RowAction& action : RowAction::ofRow(cell)) {
        if (action.kind != RowAction::Kind::Main)
            continue;
        // A main action that waits (a request on its way) takes Return and does nothing.
        if (auto* delegate = qobject_cast<RowActionDelegate*>(m_view->itemDelegateForIndex(cell)))
            delegate->trigger(cell, action.name);
        return true;
    }
    // No main action: the view activates the row as a double click would.
    return false;
}

void ListKeyboard::openMenu()
{
    const QModelIndex current = m_view->currentIndex();
    // The platform may follow the menu key with a context-menu event: one menu.
    if ((m_menu && m_menu->isVisible()) || !current.isValid())
        return;
    m_menu = showMenu(current);
    // Opened from the keyboard, a menu starts on an entry, so Return takes it as on
    // every desktop; never on one that throws something away.
    if (m_menu)
        m_menu->setActiveAction(ContextMenu::firstHarmless(m_menu));
}

QMenu* ListKeyboard::showMenu(const QModelIndex& current)
{
    m_view->scrollTo(current);
    const QRect row = m_view->visualRect(current);
    const QPoint at(row.left() + 16, row.center().y());
    const QModelIndex cell = RowAction::cellOfRow(current);
    auto* delegate = cell.isValid() ? qobject_cast<RowActionDelegate*>(m_view->itemDelegateForIndex(cell)) : nullptr;
    if (!delegate && m_rowMenu)
        return m_rowMenu(current);
    if (!delegate) {
        // Rows without buttons keep the menu their list already has, now at the current row.
        if (m_view->contextMenuPolicy() != Qt::CustomContextMenu)
            return nullptr;
        Q_EMIT m_view->customContextMenuRequested(at);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    auto* menu = new ContextMenu(m_view);
    menu->setObjectName(QStringLiteral("rowActionsMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QPersistentModelIndex target(cell);
    QPointer<RowActionDelegate> rows(delegate);
    for (const RowAction& action : RowAction::ofRow(cell)) {
        QAction* entry = menu->addAction(action.text);
        entry->setObjectName(action.name);
        entry->setEnabled(action.enabled);
        if (action.kind == RowAction::Kind::Destructive)
            ContextMenu::markDestructive(entry);
        const QString name = action.name;
        connect(entry, &QAction::triggered, this, [rows, target, name] {
            if (rows && target.isValid())
                rows->trigger(target, name);
        });
    }
    menu->popup(m_view->viewport()->mapToGlobal(at));
    return menu;
}

void ListKeyboard::showCurrentRowOnEntry()
{
    m_showsCurrentOnEntry = true;
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid())
            m_lastRow = current.row();
    });
    const auto rowsChanged = [this] {
        if (m_view->hasFocus())
            showRowIfNone(m_lastRow);
    };
    connect(m_view->model(), &QAbstractItemModel::rowsInserted, this, rowsChanged);
    connect(m_view->model(), &QAbstractItemModel::rowsRemoved, this, rowsChanged);
    connect(m_view->model(), &QAbstractItemModel::modelReset, this, rowsChanged);
    connect(m_view->model(), &QAbstractItemModel::layoutChanged, this, rowsChanged);
}

void ListKeyboard::skipWhileEmpty()
{
    const auto follow = [this] {
        const bool empty = !m_view->model() || m_view->model()->rowCount(m_view->rootIndex()) == 0;
        m_view->setFocusPolicy(empty ? Qt::NoFocus : Qt::StrongFocus);
    };
    connect(m_view->model(), &QAbstractItemModel::rowsInserted, this, follow);
    connect(m_view->model(), &QAbstractItemModel::rowsRemoved, this, follow);
    connect(m_view->model(), &QAbstractItemModel::modelReset, this, follow);
    follow();
}

void ListKeyboard::showRowIfNone(int row)
{
    if (!m_view->model() || m_view->currentIndex().isValid())
        return;
    const int count = m_view->model()->rowCount(m_view->rootIndex());
    // The row asked for, or the nearest usable one; only marked, not chosen.
    const int target = count > 0 ? usableNear(qBound(0, row, count - 1), 1) : -1;
    if (target < 0)
        return;
    m_view->selectionModel()->setCurrentIndex(m_view->model()->index(target, 0, m_view->rootIndex()), QItemSelectionModel::NoUpdate);
    m_view->viewport()->update();
}

int ListKeyboard::firstUsable() const
{
    return usableNear(0, 1);
}

bool ListKeyboard::isUsable(int row) const
{
    const QModelIndex index = m_view->model()->index(row, 0, m_view->rootIndex());
    if (!index.isValid() || !(m_view->model()->flags(index) & Qt::ItemIsEnabled))
        return false;
    if (const auto* list = qobject_cast<const QListView*>(m_view))
        return !list->isRowHidden(row);
    if (const auto* table = qobject_cast<const QTableView*>(m_view))
        return !table->isRowHidden(row);
    return true;
}

int ListKeyboard::usableNear(int row, int step) const
{
    // Headings and hidden rows are passed over towards step, then back the other way.
    const int count = m_view->model()->rowCount(m_view->rootIndex());
    int target = row;
    while (target >= 0 && target < count && !isUsable(target))
        target += step;
    if (target < 0 || target >= count) {
        target = row;
        while (target >= 0 && target < count && !isUsable(target))
            target -= step;
    }
    return target >= 0 && target < count ? target : -1;
}

void ListKeyboard::moveTo(int row, int step)
{
    const int target = usableNear(row, step);
    if (target < 0)
        return;
    const int column = m_view->currentIndex().isValid() ? m_view->currentIndex().column() : 0;
    const QModelIndex index = m_view->model()->index(target, column, m_view->rootIndex());
    const QItemSelectionModel::SelectionFlags flags = m_view->selectionMode() == QAbstractItemView::NoSelection
        ? QItemSelectionModel::NoUpdate
        : QItemSelectionModel::ClearAndSelect | (m_view->selectionBehavior() == QAbstractItemView::SelectRows
                                                       ? QItemSelectionModel::Rows
                                                       : QItemSelectionModel::NoUpdate);
    m_view->selectionModel()->setCurrentIndex(index, flags);
    m_view->scrollTo(index);
}

int ListKeyboard::rowsPerPage() const
{
    const QModelIndex current = m_view->currentIndex();
    const int height = current.isValid() ? m_view->visualRect(current).height() : 0;
    if (height <= 0)
        return 1;
    return std::max(1, m_view->viewport()->height() / height);
}
