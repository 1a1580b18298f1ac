#include "views/admin/AdminPagedTableView.h"

#include "state/AdminPagedTable.h"
#include "state/LocalizationManager.h"
#include "state/PrintfFormat.h"
#include "views/common/ErrorAlert.h"
#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet(QStringLiteral("color: palette(mid);"));
    return line;
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
    , m_content(new QStackedWidget(this))
    , m_emptyTitle(new QLabel(this))
    , m_table(new QTableWidget(this))
    , m_previous(new QPushButton(this))
    , m_page(new QLabel(this))
    , m_next(new QPushButton(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 12, 12, 12);
    m_search->setObjectName(QStringLiteral("searchField"));
    m_search->setMaximumWidth(300);
    m_search->setClearButtonEnabled(true);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    m_total->setObjectName(QStringLiteral("totalLabel"));
    m_total->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_total, Appearance::secondaryText());
    header->addWidget(m_search, 1);
    header->addWidget(m_searchButton);
    header->addStretch(1);
    header->addWidget(m_total);
    column->addLayout(header);
    column->addWidget(divider(this));

    // Content: spinner, empty state, table.
    auto* spinnerPage = new QWidget(m_content);
    auto* spinnerLayout = new QVBoxLayout(spinnerPage);
    spinnerLayout->addWidget(new Spinner(28, Appearance::secondaryText(), spinnerPage), 0, Qt::AlignCenter);
    spinnerPage->setObjectName(QStringLiteral("loadingPage"));
    auto* emptyPage = new QWidget(m_content);
    emptyPage->setObjectName(QStringLiteral("emptyPage"));
    auto* emptyLayout = new QVBoxLayout(emptyPage);
    emptyLayout->addStretch(1);
    auto* emptyIcon = new QLabel(emptyPage);
    Icons::apply(emptyIcon, m_texts.emptySymbol, 40, Appearance::secondaryText());
    emptyLayout->addWidget(emptyIcon, 0, Qt::AlignHCenter);
    m_emptyTitle->setObjectName(QStringLiteral("emptyTitle"));
    m_emptyTitle->setFont(Appearance::font(TextStyle::Title2));
    Appearance::setTextColor(m_emptyTitle, Appearance::secondaryText());
    emptyLayout->addWidget(m_emptyTitle, 0, Qt::AlignHCenter);
    emptyLayout->addStretch(1);
    m_table->setObjectName(QStringLiteral("adminTable"));
    m_table->setColumnCount(int(m_columns.size()));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(34);
    m_table->setShowGrid(false);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->horizontalHeader()->setMinimumSectionSize(40);
    for (int i = 0; i < m_columns.size(); ++i)
        m_table->setColumnWidth(i, m_columns.at(i).idealWidth);
    m_content->addWidget(spinnerPage);
    m_content->addWidget(emptyPage);
    m_content->addWidget(m_table);
    column->addWidget(m_content, 1);
    column->addWidget(divider(this));

    auto* pager = new QHBoxLayout;
    pager->setContentsMargins(12, 8, 12, 8);
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
    connect(m_model, &AdminPagedTable::rowsChanged, this, &AdminPagedTableView::rebuildRows);
    connect(m_model, &AdminPagedTable::isLoadingChanged, this, &AdminPagedTableView::updateContent);
    connect(m_model, &AdminPagedTable::totalChanged, this, &AdminPagedTableView::retranslate);
    connect(m_model, &AdminPagedTable::pageChanged, this, &AdminPagedTableView::retranslate);
    bindErrorAlert(this, m_model);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, [this] {
        retranslate();
        retranslateScreen();
        rebuildRows();
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
    m_searchButton->setText(Localized::text("common.search"));
    m_total->setText(printfFormat(Localized::text(m_texts.totalKey), { QString::number(m_model->total()) }));
    m_emptyTitle->setText(Localized::text(m_texts.emptyKey));
    QStringList titles;
    for (const Column& c : std::as_const(m_columns))
        titles << (c.titleKey == u"ID" ? c.titleKey : Localized::text(c.titleKey));
    m_table->setHorizontalHeaderLabels(titles);
    m_previous->setText(Localized::text("admin.users_prev"));
    m_page->setText(printfFormat(Localized::text("admin.users_page"), { QString::number(m_model->page()) }));
    m_next->setText(Localized::text("admin.users_next"));
    m_previous->setEnabled(m_model->canGoBack());
    m_next->setEnabled(m_model->canGoForward());
}

void AdminPagedTableView::rebuildRows()
{
    m_table->clearContents();
    m_table->setRowCount(m_model->rowCount());
    for (int row = 0; row < m_model->rowCount(); ++row)
        fillRow(row);
    m_next->setEnabled(m_model->canGoForward());
    updateContent();
}

void AdminPagedTableView::updateContent()
{
    if (m_model->isLoading())
        m_content->setCurrentIndex(0);
    else
        m_content->setCurrentIndex(m_model->rowCount() == 0 ? 1 : 2);
}

void AdminPagedTableView::setTextCell(int row, int column, const QString& text, CellStyle style)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    QFont font = Appearance::font(style == CellStyle::Body ? TextStyle::Body : TextStyle::Caption);
    if (style == CellStyle::CaptionMonospaced)
        font.setFamilies({ QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Sans CJK SC") });
    item->setFont(font);
    if (style == CellStyle::CaptionSecondary)
        item->setForeground(Appearance::secondaryText());
    item->setToolTip(text);
    m_table->setItem(row, column, item);
}

void AdminPagedTableView::setWidgetCell(int row, int column, QWidget* widget)
{
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(8);
    layout->addWidget(widget);
    layout->addStretch(1);
    m_table->setCellWidget(row, column, holder);
}

QPushButton* AdminPagedTableView::rowButton(const QString& text, Tint tint, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setFont(Appearance::font(TextStyle::Caption));
    button->setProperty("tint", int(tint));
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; padding: 2px 8px; }").arg(tintColor(tint).name()));
    return button;
}
