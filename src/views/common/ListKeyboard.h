#pragma once

#include <QMenu>
#include <QPointer>

#include <functional>

class QAbstractItemView;
class QModelIndex;

// The keyboard of a list (or table) whose rows are painted: Home, End, Page Up
// and Page Down (with or without Ctrl) move the current row through the whole
// list; Return and Enter run the row's main action (RowAction::Kind::Main), or
// activate the row when it has none; the context-menu key and Shift+F10 open a
// menu of every action the row's buttons offer, enabled as they are, or the
// list's own context menu at the current row when the row has no buttons. Tab
// enters and leaves the list instead of walking its cells.
class ListKeyboard : public QObject {
    Q_OBJECT
public:
    // Opens the menu of a row (popped up by the opener) and returns it; null when the row has none.
    using RowMenu = std::function<QMenu*(const QModelIndex& row)>;

    // Gives view this keyboard; it lives as long as the view.
    static ListKeyboard* attach(QAbstractItemView* view);
    // Rows whose menu depends on where it is opened (a message's menu belongs to its
    // bubble, not the row) open it this way for the menu key.
    void setRowMenu(RowMenu rowMenu) { m_rowMenu = std::move(rowMenu); }
    // For a list whose current row only marks where the keyboard is (opening a row
    // takes a click, Return or Space): entered with the keyboard with no current row,
    // it makes its first row current, so its ring shows where Down moves from; and
    // when the current row went away (deleted, the list refilled), the row now in its
    // place becomes current, at once or when the focus comes back (from a confirmation). Lists whose current row is their
    // choice keep the default: the focus alone chooses nothing.
    void showCurrentRowOnEntry();
    // For a list that stays on screen with no rows (an empty state drawn over it, no
    // results yet): while it has none, Tab passes it by, as it shows nothing to stop at.
    void skipWhileEmpty();
    // For rows whose every action needs a second thought (signing a device out):
    // Return opens the row's menu, as the menu key does, instead of doing anything.
    void openMenuOnReturn() { m_returnOpensMenu = true; }

Q_SIGNALS:
    // Page Up was pressed on the first row: a list that loads its past on scrolling up
    // loads it now.
    void pageUpAtTop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ListKeyboard(QAbstractItemView* view);

    bool runMainAction();
    void openMenu();
    QMenu* showMenu(const QModelIndex& current);
    void moveTo(int row, int step);
    int rowsPerPage() const;
    bool isUsable(int row) const;
    int firstUsable() const;
    int usableNear(int row, int step) const;
    void showRowIfNone(int row);

    QAbstractItemView* m_view;
    QPointer<QMenu> m_menu;
    RowMenu m_rowMenu;
    bool m_showsCurrentOnEntry = false;
    bool m_returnOpensMenu = false;
    // The last row the keyboard was on, to stay near it when it goes away.
    int m_lastRow = 0;
};
