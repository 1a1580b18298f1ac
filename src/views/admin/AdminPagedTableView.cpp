#include "views/admin/AdminPagedTableView.h"

#include "state/AdminPagedTable.h"
#include "state/LocalizationManager.h"
#include "state/PrintfFormat.h"
#include "views/admin/AdminTableContent.h"
#include "views/common/ErrorAlert.h"
#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

QList<int> idealWidths(const QList<AdminPagedTableView::Column>& columns)
{
    QList<int> widths;
    for (const AdminPagedTableView::Column& c : columns)
        widths << c.idealWidth;
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
    , m_table(new QTableWidget(0, int(m_columns.size()), this))
    , m_content(new AdminTableContent(m_table, QStringLiteral("adminTable"), m_texts.emptySymbol, idealWidths(m_columns), this))
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
    m_content->setEmptyTitle(Localized::text(m_texts.emptyKey));
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
    m_content->showState(m_model->isLoading(), m_model->rowCount() == 0);
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
