#pragma once

#include "state/admin/Tint.h"

#include <QList>
#include <QMetaType>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

// A button painted in a table cell: its text in its tint, greyed while disabled.
struct CellAction {
    QString name; // what tests and code find it by, e.g. "deleteButton"
    QString text;
    Tint tint = Tint::Blue;
    bool enabled = true;
};
Q_DECLARE_METATYPE(QList<CellAction>)

// Paints the cells of the administration tables from their model, so a table of
// thousands of rows costs only the rows on screen. A cell is plain text (the
// model's font, colour and tooltip), a capsule badge, a status dot with an
// optional word, or a row of buttons; a click on an enabled button is reported
// with its cell and name.
class AdminCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum Role {
        KindRole = Qt::UserRole + 100, // a Kind
        TintRole, // the badge's or dot's Tint
        ActionsRole, // QList<CellAction>
    };
    enum class Kind { Text, Badge, Dot, Actions };

    explicit AdminCellDelegate(QObject* parent = nullptr);

    // What a model answers for role in each kind of cell. Text is shown plain,
    // elided with "…", with the whole text as a plain tooltip.
    enum class TextStyle { Body, Caption, CaptionMonospaced, CaptionSecondary };
    static QVariant textData(const QString& text, TextStyle style, int role);
    static QVariant badgeData(const QString& text, Tint tint, int role);
    static QVariant dotData(const QString& word, Tint tint, int role);
    static QVariant actionsData(const QList<CellAction>& actions, int role);

    // Where each button of an actions cell is drawn inside the cell's rectangle.
    static QList<QRect> actionRects(const QRect& cell, const QList<CellAction>& actions, const QFont& font);
    static QFont cellFont();

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

Q_SIGNALS:
    void actionTriggered(const QModelIndex& index, const QString& name);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    void paintBadge(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintDot(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintActions(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    // The button under the last press, so a release elsewhere clicks nothing.
    QPersistentModelIndex m_pressedIndex;
    QString m_pressedName;
};
