#pragma once

#include <QColor>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

class QModelIndex;

// One button a painted row offers, as its model describes it: the delegate
// draws and clicks it, the list's keyboard runs it (Return for the main one)
// and lists it in the row's menu, and screen readers are told about it.
struct RowAction {
    enum class Kind {
        Main, // what Return runs: open, accept, add, preview
        Plain,
        Destructive, // never run by Return; drawn red in the menu
    };

    RowAction() = default;
    RowAction(QString name, QString text, Kind kind = Kind::Plain, bool enabled = true, QString toolTip = {}, QColor color = {})
        : name(std::move(name))
        , text(std::move(text))
        , kind(kind)
        , enabled(enabled)
        , toolTip(std::move(toolTip))
        , color(std::move(color))
    {
    }

    QString name; // what code and tests find it by, e.g. "accept"
    QString text; // its label, also its name in the menu and for screen readers
    Kind kind = Kind::Plain;
    bool enabled = true;
    QString toolTip; // hover help over the button; none when empty
    QColor color; // the label's colour where the row gives it one

    // The role under which a model answers QList<RowAction> for a row (or, in a
    // table, for the cell that draws the buttons).
    static constexpr int ActionsRole = Qt::UserRole + 200;

    // The actions of the row of index, from whichever of its cells offers them.
    static QList<RowAction> ofRow(const QModelIndex& index);
    // The cell of index's row that offers them; invalid when none does.
    static QModelIndex cellOfRow(const QModelIndex& index);
    // What a model answers for role from a row's actions: the list itself, and
    // for screen readers the labels of the ones that can run now. Invalid for
    // any other role.
    static QVariant data(const QList<RowAction>& actions, int role);
};
Q_DECLARE_METATYPE(QList<RowAction>)
