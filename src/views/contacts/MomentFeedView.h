#pragma once

#include <QHash>
#include <QList>
#include <QListView>
#include <QPointer>
#include <QTimer>

#include <optional>

class MomentListModel;
class MomentRow;
class MomentsViewModel;

// The moments feed as a list that makes MomentRow widgets only for the moments
// in and near the window: a long feed would otherwise cost a tree of widgets
// per moment before the first one shows. Rows without a widget take the height
// their widget had when last made at this width, or an estimate until then; a
// widget is made as its row scrolls near and dropped once it is far away.
//
// The keyboard keeps its place: a control that takes the focus is scrolled into
// sight (so Tab walks the whole feed, row after row), the row holding the focus
// is never dropped, and a row made again (its moment came back changed, after a
// like or a comment) gives the focus to the same control of the new row.
class MomentFeedView : public QListView {
    Q_OBJECT
public:
    MomentFeedView(MomentListModel* model, MomentsViewModel* viewModel, QWidget* parent = nullptr);

    // The height a row takes: measured, or estimated while it never had a widget.
    int rowHeight(int row) const;
    // The rows read their texts when made: a new language makes them afresh.
    void remakeRows();
    // The widget showing that row now, or null while it is far from the window.
    MomentRow* shownRow(int row) const;
    // The row a shown moment's widget stands for, or -1.
    int rowOf(const QWidget* shown) const;
    // The live row that holds the focus, or -1.
    int focusedRow() const;

protected:
    void updateGeometries() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeRows();
    void makeRow(int row);
    void dropRow(int row);
    int measure(QWidget* item) const;
    void rowsChanged(const QModelIndex& first, const QModelIndex& last);
    // Before the focused row goes: remembers its control and parks the focus on
    // the feed itself, so it does not move on to whatever comes next.
    void holdFocus();
    // Gives the held focus to the row of the same moment (or, when it is gone, the
    // row that took its place), once that row is made.
    void returnHeldFocus();
    void restoreFocus(int row, QWidget* item);
    void followFocus(QWidget* now);

    MomentListModel* m_model;
    MomentsViewModel* m_viewModel;
    // One entry a row; -1 for a row whose widget was never made at this width.
    QList<int> m_heights;
    int m_measuredWidth = -1;
    // What a row never measured is taken to need.
    int m_estimate;
    // The rows that have a widget now.
    QHash<int, QPointer<QWidget>> m_live;
    // Scrolling, resizing and rows settling their layout all ask for a placement;
    // they are served together once control returns to the event loop.
    QTimer m_placement;
    // Where the focus was held: the moment, its row then, and the control's name.
    struct HeldFocus {
        qint64 momentId;
        int row;
        QString control;
    };
    std::optional<HeldFocus> m_heldFocus;
};
