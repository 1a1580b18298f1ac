#include "views/contacts/MomentFeedView.h"

#include "views/common/Divider.h"
#include "views/common/Localized.h"
#include "views/contacts/MomentFeedAccessible.h"
#include "views/contacts/MomentListModel.h"
#include "views/contacts/MomentRow.h"

#include <QApplication>
#include <QEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

// Rows this far outside the window keep (or get) their widgets, so a short
// scroll shows finished rows rather than making them while the user watches.
constexpr int RowsAround = 3;
// The height of a row never measured before any row was.
constexpr int FirstEstimate = 160;

// The widgets paint the rows; the list only asks how tall each is and where it goes.
class RowGeometry : public QStyledItemDelegate {
public:
    explicit RowGeometry(MomentFeedView* view)
        : QStyledItemDelegate(view)
        , m_view(view)
    {
    }
    void paint(QPainter*, const QStyleOptionViewItem&, const QModelIndex&) const override { }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        return { 1, m_view->rowHeight(index.row()) };
    }
    void setEditorData(QWidget*, const QModelIndex&) const override { }
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        editor->setGeometry(option.rect);
    }

private:
    MomentFeedView* m_view;
};

} // namespace

MomentFeedView::MomentFeedView(MomentListModel* model, MomentsViewModel* viewModel, QWidget* parent)
    : QListView(parent)
    , m_model(model)
    , m_viewModel(viewModel)
    , m_heights(model->rowCount(), -1)
    , m_estimate(FirstEstimate)
{
    setObjectName(QStringLiteral("momentsList"));
    MomentFeedAccessible::install();
    setFrameShape(QFrame::NoFrame);
    viewport()->setBackgroundRole(QPalette::Window);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The fields and buttons inside the rows take the focus, not the list.
    setFocusPolicy(Qt::NoFocus);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setResizeMode(QListView::Adjust);
    setItemDelegate(new RowGeometry(this));
    setModel(model);
    verticalScrollBar()->setSingleStep(20);

    m_placement.setSingleShot(true);
    m_placement.setInterval(0);
    connect(&m_placement, &QTimer::timeout, this, &MomentFeedView::placeRows);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, &m_placement, qOverload<>(&QTimer::start));
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &MomentFeedView::holdFocus);
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        // The list itself lets go of the old rows' widgets on a reset.
        m_live.clear();
        m_heights = QList<int>(m_model->rowCount(), -1);
    });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        m_heights.insert(first, last - first + 1, -1);
    });
    connect(model, &QAbstractItemModel::dataChanged, this, &MomentFeedView::rowsChanged);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { followFocus(now); });
}

int MomentFeedView::rowHeight(int row) const
{
    if (row >= 0 && row < m_heights.size() && m_heights.at(row) >= 0)
        return m_heights.at(row);
    return m_estimate;
}

void MomentFeedView::remakeRows()
{
    setAccessibleName(Localized::text("moments.title"));
    for (int row : m_live.keys())
        dropRow(row);
    m_heights.fill(-1);
    m_placement.start();
}

void MomentFeedView::updateGeometries()
{
    QListView::updateGeometries();
    m_placement.start();
}

bool MomentFeedView::eventFilter(QObject* watched, QEvent* event)
{
    // A row's layout settled (a picture grid took its columns, say): measure again.
    if (event->type() == QEvent::LayoutRequest)
        m_placement.start();
    return QListView::eventFilter(watched, event);
}

void MomentFeedView::rowsChanged(const QModelIndex& first, const QModelIndex& last)
{
    const int focused = focusedRow();
    for (int row = first.row(); row <= last.row(); ++row) {
        const bool live = m_live.contains(row);
        if (row == focused)
            holdFocus();
        dropRow(row);
        m_heights[row] = -1;
        // Made again at once where it stood; the placement gives the focus back to it.
        if (live)
            makeRow(row);
    }
    m_placement.start();
}

MomentRow* MomentFeedView::shownRow(int row) const
{
    const QPointer<QWidget> item = m_live.value(row);
    return item ? item->findChild<MomentRow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

int MomentFeedView::rowOf(const QWidget* shown) const
{
    for (auto it = m_live.cbegin(); it != m_live.cend(); ++it)
        if (it.value() && shown && shown->parentWidget() == it.value())
            return it.key();
    return -1;
}

int MomentFeedView::focusedRow() const
{
    const QWidget* focused = QApplication::focusWidget();
    for (auto it = m_live.cbegin(); it != m_live.cend(); ++it) {
        if (focused && it.value() && it.value()->isAncestorOf(focused))
            return it.key();
    }
    return -1;
}

void MomentFeedView::holdFocus()
{
    const int row = focusedRow();
    if (row < 0)
        return;
    m_heldFocus = HeldFocus { m_model->moment(row).id, row, QApplication::focusWidget()->objectName() };
    setFocus(Qt::OtherFocusReason);
}

void MomentFeedView::restoreFocus(int row, QWidget* item)
{
    if (!m_heldFocus || m_model->moment(row).id != m_heldFocus->momentId)
        return;
    auto* control = item->findChild<QWidget*>(m_heldFocus->control);
    // A send button that went grey with its sent comment leaves the focus in the field.
    if (!control || !control->isEnabled())
        control = item->findChild<QWidget*>(QStringLiteral("commentField"));
    m_heldFocus.reset();
    if (control && hasFocus())
        control->setFocus(Qt::OtherFocusReason);
}

void MomentFeedView::returnHeldFocus()
{
    // Where the moment stands now (a new feed may have moved it), or, when it did
    // not come back, the row that took its place.
    int row = -1;
    for (int i = 0; i < m_model->rowCount() && row < 0; ++i)
        row = m_model->moment(i).id == m_heldFocus->momentId ? i : -1;
    if (row < 0) {
        row = qMin(m_heldFocus->row, m_model->rowCount() - 1);
        m_heldFocus->momentId = m_model->moment(row).id;
    }
    if (const QPointer<QWidget> item = m_live.value(row))
        restoreFocus(row, item);
    else
        scrollTo(m_model->index(row)); // its row is made once the feed stands there
}

void MomentFeedView::followFocus(QWidget* now)
{
    if (!now || !viewport()->isAncestorOf(now))
        return;
    // Tab reached a control below or above the window: scroll it into sight, and
    // make the rows around it now, not once the event loop turns (the next Tab may
    // come first), so the next Tab finds the next row's controls.
    const QRect shown(now->mapTo(viewport(), QPoint()), now->size());
    const int margin = 12;
    int scroll = 0;
    if (shown.bottom() + margin > viewport()->height())
        scroll = shown.bottom() + margin - viewport()->height();
    if (shown.top() - margin < 0)
        scroll = shown.top() - margin;
    if (scroll != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + scroll);
    placeRows();
}

void MomentFeedView::placeRows()
{
    const int width = viewport()->width();
    if (width != m_measuredWidth) {
        m_measuredWidth = width;
        m_heights.fill(-1);
    }
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    const QModelIndex top = indexAt(QPoint(0, 0));
    const QModelIndex bottom = indexAt(QPoint(0, viewport()->height() - 1));
    const int first = qMax(0, (top.isValid() ? top.row() : 0) - RowsAround);
    const int last = qMin(rows - 1, (bottom.isValid() ? bottom.row() : rows - 1) + RowsAround);

    const int focused = focusedRow();
    for (int row : m_live.keys()) {
        if ((row < first || row > last) && row != focused)
            dropRow(row);
    }
    for (int row = first; row <= last; ++row) {
        if (!m_live.contains(row))
            makeRow(row);
    }
    bool resized = false;
    qint64 total = 0;
    int measured = 0;
    for (auto it = m_live.cbegin(); it != m_live.cend(); ++it) {
        if (!it.value())
            continue;
        const int height = measure(it.value());
        total += height;
        ++measured;
        if (height != m_heights.at(it.key())) {
            m_heights[it.key()] = height;
            resized = true;
        }
    }
    if (m_heldFocus && hasFocus())
        returnHeldFocus();
    // Rows never measured take the average of those that are shown, so each
    // measurement can move them too: lay the whole list out again.
    if (resized) {
        m_estimate = int(total / measured);
        scheduleDelayedItemsLayout();
    }
}

void MomentFeedView::makeRow(int row)
{
    auto* item = new QWidget;
    item->setObjectName(QStringLiteral("momentItem"));
    auto* column = new QVBoxLayout(item);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(new MomentRow(m_model->moment(row), m_viewModel, item));
    column->addWidget(divider(item));
    item->installEventFilter(this);
    setIndexWidget(m_model->index(row), item);
    m_live.insert(row, item);
}

void MomentFeedView::dropRow(int row)
{
    const QPointer<QWidget> item = m_live.take(row);
    if (!item)
        return;
    // The list deletes the widget later, when it may already have painted
    // again: hidden now, it cannot show over its replacement.
    item->hide();
    setIndexWidget(m_model->index(row), nullptr);
}

int MomentFeedView::measure(QWidget* item) const
{
    return item->hasHeightForWidth() ? item->heightForWidth(m_measuredWidth) : item->sizeHint().height();
}
