#include "views/admin/AdminPagedTableView.h"

#include "state/admin/AdminPagedTable.h"
#include "state/common/LocalizationManager.h"
#include "state/common/PrintfFormat.h"
#include "views/admin/AdminTableContent.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Localized.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

// The page on screen as table rows: every cell asks the screen.
class PageRows : public QAbstractTableModel {
public:
    PageRows(AdminPagedTableView* screen, AdminPagedTable* page)
        : QAbstractTableModel(screen)
        , m_screen(screen)
        , m_page(page)
    {
        connect(page, &AdminPagedTable::rowsChanged, this, [this] {
            beginResetModel();
            endResetModel();
        });
        connect(page, &AdminPagedTable::rowChanged, this, [this](int row) { redraw(row); });
        connect(page, &AdminPagedTable::actingChanged, this, [this] { redraw(-1); });
        connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, [this] {
            Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
            redraw(-1);
        });
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_page->rowCount(); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_screen->columnCount(); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        return m_screen->cellData(index.row(), index.column(), role);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return m_screen->columnTitle(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    // One row, or all of them (row -1).
    void redraw(int row)
    {
        if (rowCount() == 0 || row >= rowCount())
            return;
        Q_EMIT dataChanged(index(row < 0 ? 0 : row, 0), index(row < 0 ? rowCount() - 1 : row, columnCount() - 1));
    }

    AdminPagedTableView* m_screen;
    AdminPagedTable* m_page;
};

QTableView* tableOf(QAbstractItemModel* rows, QWidget* parent)
{
    auto* table = new QTableView(parent);
    table->setModel(rows);
    table->setItemDelegate(new AdminCellDelegate(table));
    return table;
}

QList<int> idealWidths(const QList<AdminPagedTableView::Column>& columns)
{
    QList<int> widths;
    for (const AdminPagedTableView::Column& c : columns)
        widths << c.idealWidth;
    return widths;
}

QList<int> minimumWidths(const QList<AdminPagedTableView::Column>& columns)
{
    QList<int> widths;
    for (const AdminPagedTableView::Column& c : columns)
        widths << c.minimumWidth;
    return widths;
}

} // namespace

AdminPagedTableView::AdminPagedTableView(AdminPagedTable* model, Texts texts, QList<Column> columns, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_texts(std::move(texts))
    , m_columns(std::move(columns))
    , m_search(new QLineEdit(this))
    , m_searchButton(new QPushButton(this))
    , m_total(new QLabel(this))
    , m_table(tableOf(new PageRows(this, model), this))
    , m_content(new AdminTableContent(m_table, QStringLiteral("adminTable"), m_texts.emptySymbol, idealWidths(m_columns),
                                    minimumWidths(m_columns), this))
    , m_previous(new QPushButton(this))
    , m_page(new QLabel(this))
    , m_next(new QPushButton(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    QHBoxLayout* header = AdminTableContent::header(m_search, 300, m_total);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    header->addWidget(m_search, 1);
    header->addWidget(m_searchButton);
    header->addStretch(1);
    header->addWidget(m_total);
    column->addLayout(header);
    column->addWidget(divider(this));

    // Long texts stay on one line and elide.
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setMinimumSectionSize(40);
    column->addWidget(m_content, 1);
    column->addWidget(divider(this));

    auto* pager = new QHBoxLayout;
    pager->setContentsMargins(12, 8, 12, 8);
    pager->setSpacing(AdminTableContent::controlSpacing(this));
    m_previous->setObjectName(QStringLiteral("previousButton"));
    m_next->setObjectName(QStringLiteral("nextButton"));
    m_page->setObjectName(QStringLiteral("pageLabel"));
    m_page->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_page, Appearance::secondaryText());
    pager->addWidget(m_previous);
    pager->addWidget(m_page);
    pager->addWidget(m_next);
    pager->addStretch(1);
    column->addLayout(pager);

    connect(m_search, &QLineEdit::textChanged, m_model, &AdminPagedTable::setSearchText);
    connect(m_search, &QLineEdit::returnPressed, m_model, [this] { m_model->searchFirstPage(); });
    connect(m_searchButton, &QPushButton::clicked, m_model, [this] { m_model->searchFirstPage(); });
    connect(m_previous, &QPushButton::clicked, m_model, [this] { m_model->previousPage(); });
    connect(m_next, &QPushButton::clicked, m_model, [this] { m_model->nextPage(); });
    connect(static_cast<AdminCellDelegate*>(m_table->itemDelegate()), &AdminCellDelegate::actionTriggered, this,
            [this](const QModelIndex& index, const QString& name) { actionTriggered(index.row(), name); });
    connect(m_model, &AdminPagedTable::rowsChanged, this, [this] {
        m_next->setEnabled(m_model->canGoForward());
        // Rows that arrive with a load are a new page (or a search): it opens at its
        // top. A row removed meanwhile leaves the view where it is.
        if (m_model->isLoading())
            m_table->scrollToTop();
        updateContent();
    });
    connect(m_model, &AdminPagedTable::isLoadingChanged, this, &AdminPagedTableView::updateContent);
    connect(m_model, &AdminPagedTable::totalChanged, this, &AdminPagedTableView::retranslate);
    connect(m_model, &AdminPagedTable::pageChanged, this, &AdminPagedTableView::retranslate);
    bindErrorAlert(this, m_model);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, [this] {
        retranslate();
        retranslateScreen();
    });
    retranslate();
    updateContent();
}

void AdminPagedTableView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_model->load();
}

void AdminPagedTableView::retranslate()
{
    m_search->setPlaceholderText(Localized::text(m_texts.searchKey));
    m_search->setAccessibleName(m_search->placeholderText());
    m_table->setAccessibleName(Localized::text(m_texts.titleKey));
    m_searchButton->setText(Localized::text("common.search"));
    m_total->setText(printfFormat(Localized::text(m_texts.totalKey), { QString::number(m_model->total()) }));
    m_content->setEmptyTitle(Localized::text(m_texts.emptyKey));
    m_previous->setText(Localized::text("admin.users_prev"));
    m_page->setText(printfFormat(Localized::text("admin.users_page"), { QString::number(m_model->page()) }));
    m_next->setText(Localized::text("admin.users_next"));
    m_previous->setEnabled(m_model->canGoBack());
    m_next->setEnabled(m_model->canGoForward());
}

AdminPagedTableView::~AdminPagedTableView()
{
    // A screen closed as a window hides its table only after this object is gone, and
    // hiding asks the header for titles: let it ask an empty model instead of us.
    m_table->setModel(nullptr);
}

QString AdminPagedTableView::columnTitle(int column) const
{
    if (column < 0 || column >= m_columns.size())
        return {};
    const QString& key = m_columns.at(column).titleKey;
    return key == u"ID" ? key : Localized::text(key);
}

void AdminPagedTableView::updateContent()
{
    m_content->showState(m_model->isLoading(), m_model->rowCount() == 0);
}
