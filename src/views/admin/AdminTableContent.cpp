#include "views/admin/AdminTableContent.h"

#include "views/admin/AdminCellDelegate.h"
#include "views/admin/EmptyPlaceholder.h"
#include "views/common/Appearance.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Spinner.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

AdminTableContent::AdminTableContent(QTableView* table, const QString& tableName, const QString& emptySymbol,
                                     const QList<int>& columnWidths, const QList<int>& minimumWidths, QWidget* parent)
    : QStackedWidget(parent)
    , m_emptyTitle(new QLabel(this))
    , m_table(table)
{
    auto* spinnerPage = new QWidget(this);
    spinnerPage->setObjectName(QStringLiteral("loadingPage"));
    (new QVBoxLayout(spinnerPage))->addWidget(new Spinner(28, Appearance::secondaryText(), spinnerPage), 0, Qt::AlignCenter);
    m_emptyTitle->setObjectName(QStringLiteral("emptyTitle"));
    QWidget* emptyPage = emptyPlaceholder(m_emptyTitle, emptySymbol, this);
    emptyPage->setObjectName(QStringLiteral("emptyPage"));
    m_table->setObjectName(tableName);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(false);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(34);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ListKeyboard::attach(m_table);
    m_table->installEventFilter(this);
    m_idealWidths = columnWidths;
    m_minimumWidths = minimumWidths;
    fitColumns();
    // A column dragged narrower than its least width stops there.
    connect(m_table->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column < m_minimumWidths.size() && size < m_minimumWidths.at(column) && !stretches(column))
            m_table->setColumnWidth(column, m_minimumWidths.at(column));
    });
    // Texts get longer in some languages and with some records: a column widens
    // to its title and the rows on screen rather than clip them.
    QAbstractItemModel* rows = m_table->model();
    connect(rows, &QAbstractItemModel::modelReset, this, &AdminTableContent::fitSoon);
    connect(rows, &QAbstractItemModel::rowsInserted, this, &AdminTableContent::fitSoon);
    connect(rows, &QAbstractItemModel::layoutChanged, this, &AdminTableContent::fitSoon);
    connect(rows, &QAbstractItemModel::dataChanged, this, &AdminTableContent::fitSoon);
    connect(rows, &QAbstractItemModel::headerDataChanged, this, &AdminTableContent::fitSoon);
    addWidget(spinnerPage);
    addWidget(emptyPage);
    addWidget(m_table);
}

bool AdminTableContent::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_table || event->type() != QEvent::FocusIn)
        return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::MouseFocusReason || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason
        || m_table->model()->rowCount() == 0)
        return false;
    QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        current = m_table->model()->index(0, 0);
    if (!m_table->selectionModel()->isRowSelected(current.row(), {})) {
        m_table->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_table->scrollTo(current);
    }
    return false;
}

void AdminTableContent::fitSoon()
{
    // Once per turn of the event loop, however many row signals a change sends.
    if (m_fitPending)
        return;
    m_fitPending = true;
    QMetaObject::invokeMethod(this, [this] {
        m_fitPending = false;
        fitColumns();
    }, Qt::QueuedConnection);
}

int AdminTableContent::contentWidth(int column) const
{
    // Only the rows on screen: QTableView's own measure reads up to a thousand
    // rows beyond them (all of them while the table is hidden), which made every
    // keystroke in a long filtered table cost as much as the table is long.
    const QHeaderView* rows = m_table->verticalHeader();
    const int count = m_table->model()->rowCount();
    const int first = std::max(0, rows->visualIndexAt(0));
    const int last = rows->visualIndexAt(m_table->viewport()->height());
    // A table shorter than its viewport ends above the bottom edge.
    const int end = last < 0 ? count : last + 1;
    int width = 0;
    for (int visual = first; visual < end; ++visual) {
        const int row = rows->logicalIndex(visual);
        if (!m_table->isRowHidden(row))
            width = std::max(width, m_table->sizeHintForIndex(m_table->model()->index(row, column)).width());
    }
    return width;
}

bool AdminTableContent::stretches(int column) const
{
    const QHeaderView* header = m_table->horizontalHeader();
    return header->sectionResizeMode(column) == QHeaderView::Stretch || (column + 1 == header->count() && header->stretchLastSection());
}

void AdminTableContent::fitColumns()
{
    const QHeaderView* header = m_table->horizontalHeader();
    const QAbstractItemModel* rows = m_table->model();
    // A stretching column takes the room left anyway. Free text (names, contents) elides
    // with its tooltip instead of pushing the other columns away; badges, status
    // words and buttons are short and get their room.
    for (int i = 0; i < m_idealWidths.size(); ++i) {
        if (stretches(i))
            continue;
        const bool painted = rows->rowCount() > 0
            && rows->index(0, i).data(AdminCellDelegate::KindRole).toInt() != int(AdminCellDelegate::Kind::Text);
        const int contents = painted ? contentWidth(i) : 0;
        m_table->setColumnWidth(i, std::max({ m_idealWidths.at(i), header->sectionSizeHint(i), contents }));
    }
}

void AdminTableContent::setEmptyTitle(const QString& title)
{
    m_emptyTitle->setText(title);
}

void AdminTableContent::showState(bool loading, bool empty)
{
    setCurrentIndex(loading ? 0 : empty ? 1 : 2);
    if (currentWidget() == m_table)
        fitColumns();
}

int AdminTableContent::controlSpacing(const QWidget* widget)
{
    // Set outright: a row nested in a column without spacing would take its zero.
    const QStyle* style = widget->style();
    const int spacing = style->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, widget);
    if (spacing >= 0)
        return spacing;
    // A style that spaces by the kind of control: the room between two buttons.
    return std::max(0, style->layoutSpacing(QSizePolicy::PushButton, QSizePolicy::PushButton, Qt::Horizontal, nullptr, widget));
}

QHBoxLayout* AdminTableContent::header(QLineEdit* search, int searchWidth, QLabel* total)
{
    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 12, 12, 12);
    header->setSpacing(controlSpacing(search));
    search->setObjectName(QStringLiteral("searchField"));
    search->setMaximumWidth(searchWidth);
    search->setClearButtonEnabled(true);
    total->setObjectName(QStringLiteral("totalLabel"));
    total->setFont(Appearance::font(Appearance::TextStyle::Caption));
    Appearance::setTextColor(total, Appearance::secondaryText());
    return header;
}
