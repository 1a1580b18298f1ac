#include "views/admin/AdminTableContent.h"

#include "views/admin/AdminCellDelegate.h"
#include "views/admin/EmptyPlaceholder.h"
#include "views/common/Appearance.h"
#include "views/common/Spinner.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

AdminTableContent::AdminTableContent(QTableView* table, const QString& tableName, const QString& emptySymbol,
                                     const QList<int>& columnWidths, QWidget* parent)
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
    m_idealWidths = columnWidths;
    fitColumns();
    const auto fitSoon = [this] {
        // Once per turn of the event loop, however many row signals a change sends.
        if (m_fitPending)
            return;
        m_fitPending = true;
        QMetaObject::invokeMethod(this, [this] {
            m_fitPending = false;
            fitColumns();
        }, Qt::QueuedConnection);
    };
    // Texts get longer in some languages and with some records: a column widens
    // to its title and the rows on screen rather than clip them.
    QAbstractItemModel* rows = m_table->model();
    connect(rows, &QAbstractItemModel::modelReset, this, fitSoon);
    connect(rows, &QAbstractItemModel::rowsInserted, this, fitSoon);
    connect(rows, &QAbstractItemModel::layoutChanged, this, fitSoon);
    connect(rows, &QAbstractItemModel::dataChanged, this, fitSoon);
    connect(rows, &QAbstractItemModel::headerDataChanged, this, fitSoon);
    addWidget(spinnerPage);
    addWidget(emptyPage);
    addWidget(m_table);
}

void AdminTableContent::fitColumns()
{
    const QHeaderView* header = m_table->horizontalHeader();
    // QTableView keeps its measure protected; the base class offers it (for the rows on screen).
    const QAbstractItemView* view = m_table;
    const QAbstractItemModel* rows = m_table->model();
    // A stretching column takes the room left anyway. Free text (names, contents) elides
    // with its tooltip instead of pushing the other columns away; badges, status
    // words and buttons are short and get their room.
    for (int i = 0; i < m_idealWidths.size(); ++i) {
        const bool last = i + 1 == m_idealWidths.size();
        if (header->sectionResizeMode(i) == QHeaderView::Stretch || (last && header->stretchLastSection()))
            continue;
        const bool painted = rows->rowCount() > 0
            && rows->index(0, i).data(AdminCellDelegate::KindRole).toInt() != int(AdminCellDelegate::Kind::Text);
        const int contents = painted ? view->sizeHintForColumn(i) : 0;
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

QHBoxLayout* AdminTableContent::header(QLineEdit* search, int searchWidth, QLabel* total)
{
    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 12, 12, 12);
    search->setObjectName(QStringLiteral("searchField"));
    search->setMaximumWidth(searchWidth);
    search->setClearButtonEnabled(true);
    total->setObjectName(QStringLiteral("totalLabel"));
    total->setFont(Appearance::font(Appearance::TextStyle::Caption));
    Appearance::setTextColor(total, Appearance::secondaryText());
    return header;
}
