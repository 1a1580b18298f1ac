#pragma once

#include "state/admin/Tint.h"
#include "views/common/RowActionDelegate.h"

#include <QList>

#include <optional>

// Paints the cells of the administration tables from their model, so a table of
// thousands of rows costs only the rows on screen. A cell is plain text (the
// model's font, colour and tooltip), a capsule badge, a status dot with an
// optional word, or a row of buttons (RowAction) whose label is drawn in its
// colour, greyed while disabled.
class AdminCellDelegate : public RowActionDelegate {
    Q_OBJECT
public:
    enum Role {
        KindRole = Qt::UserRole + 100, // a Kind
        TintRole, // the badge's or dot's Tint
        ActionsRole = RowAction::ActionsRole, // QList<RowAction>
    };
    enum class Kind { Text, Badge, Dot, Actions };

    explicit AdminCellDelegate(QObject* parent = nullptr);

    // What a model answers for role in each kind of cell. Text is shown plain,
    // elided with "…", with the whole text as a plain tooltip.
    enum class TextStyle { Body, Caption, CaptionMonospaced, CaptionSecondary };
    static QVariant textData(const QString& text, TextStyle style, int role);
    static QVariant badgeData(const QString& text, Tint tint, int role);
    static QVariant dotData(const QString& word, Tint tint, int role);
    static QVariant actionsData(const QList<RowAction>& actions, int role);
    // A button of an actions cell: its label in tint, or in the style's button text
    // without one; a red one throws something away.
    static RowAction cellAction(const QString& name, const QString& text, std::optional<Tint> tint, bool enabled);

    // Where each button of an actions cell is drawn inside the cell's rectangle.
    static QList<QRect> actionRects(const QRect& cell, const QList<RowAction>& actions, const QFont& font);
    static QFont cellFont();

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    QList<QRect> actionRects(const QStyleOptionViewItem& option, const QModelIndex& index,
                             const QList<RowAction>& actions) const override;

private:
    void paintBadge(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintDot(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintActions(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
};
