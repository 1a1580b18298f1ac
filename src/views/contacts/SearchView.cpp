#include "views/contacts/SearchView.h"

#include "state/common/LocalizationManager.h"
#include "state/contacts/SearchViewModel.h"
#include "views/common/AlertLabel.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"
#include "views/contacts/SearchResultModel.h"
#include "views/contacts/SearchResultRow.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using Appearance::TextStyle;


SearchView::SearchView(std::unique_ptr<SearchViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
    , m_title(new QLabel(this))
    , m_closeButton(new QPushButton(this))
    , m_field(new QLineEdit(this))
    , m_clearButton(new QToolButton(this))
    , m_content(new QStackedWidget(this))
    , m_searchingPage(new QWidget(m_content))
    , m_hintPage(new QWidget(m_content))
    , m_hintText(new QLabel(m_hintPage))
    , m_resultsPage(new QWidget(m_content))
    , m_model(new SearchResultModel(this))
    , m_resultsList(new QListView(m_resultsPage))
    , m_noResults(new QLabel(m_resultsPage))
    , m_error(new AlertLabel(this))
{
    setObjectName(QStringLiteral("searchView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 10, 12, 10);
    m_title->setObjectName(QStringLiteral("searchTitle"));
    m_title->setFont(Appearance::font(TextStyle::Headline));
    m_closeButton->setObjectName(QStringLiteral("searchCloseButton"));
    header->addWidget(m_title);
    header->addStretch(1);
    header->addWidget(m_closeButton);
    column->addLayout(header);

    auto* fieldBox = new QWidget(this);
    fieldBox->setObjectName(QStringLiteral("searchFieldBox"));
    fieldBox->setAttribute(Qt::WA_StyledBackground);
    fieldBox->setStyleSheet(QStringLiteral("#searchFieldBox { background: %1; border-radius: 8px; }").arg(Appearance::controlBackground().name()));
    auto* fieldRow = new QHBoxLayout(fieldBox);
    fieldRow->setContentsMargins(8, 8, 8, 8);
    auto* glass = new QLabel(fieldBox);
    Icons::apply(glass, QStringLiteral("magnifyingglass"), 16, Appearance::secondaryText());
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setFrame(false);
    m_field->setStyleSheet(Appearance::searchFieldStyle());
    m_clearButton->setObjectName(QStringLiteral("searchClearButton"));
    m_clearButton->setAutoRaise(true);
    m_clearButton->setCursor(Qt::PointingHandCursor);
    Icons::apply(m_clearButton, QStringLiteral("xmark.circle.fill"), 14, Appearance::secondaryText());
    fieldRow->addWidget(glass);
    fieldRow->addWidget(m_field, 1);
    fieldRow->addWidget(m_clearButton);
    auto* fieldMargin = new QHBoxLayout;
    fieldMargin->setContentsMargins(12, 0, 12, 0);
    fieldMargin->addWidget(fieldBox);
    column->addLayout(fieldMargin);

    column->addSpacing(8);
    column->addWidget(divider(this));

    auto* searching = new QVBoxLayout(m_searchingPage);
    searching->addWidget(new Spinner(20, Appearance::secondaryText(), m_searchingPage), 0, Qt::AlignHCenter);
    searching->addStretch(1);

    auto* hint = new QVBoxLayout(m_hintPage);
    hint->setSpacing(12);
    hint->addStretch(1);
    auto* hintIcon = new QLabel(m_hintPage);
    Icons::apply(hintIcon, QStringLiteral("magnifyingglass"), 40, Appearance::secondaryText());
    hint->addWidget(hintIcon, 0, Qt::AlignHCenter);
    m_hintText->setObjectName(QStringLiteral("searchHint"));
    Appearance::setTextColor(m_hintText, Appearance::secondaryText());
    hint->addWidget(m_hintText, 0, Qt::AlignHCenter);
    hint->addStretch(1);

    auto* results = new QVBoxLayout(m_resultsPage);
    results->setContentsMargins(0, 12, 0, 12);
    m_noResults->setObjectName(QStringLiteral("searchNoResults"));
    m_noResults->setFont(Appearance::font(TextStyle::Body));
    m_noResults->setAlignment(Qt::AlignCenter);
    Appearance::setTextColor(m_noResults, Appearance::secondaryText());
    results->addWidget(m_noResults);
    m_resultsList->setObjectName(QStringLiteral("searchResults"));
    m_resultsList->setModel(m_model);
    m_resultsList->setItemDelegate(new SearchResultRow(m_resultsList));
    m_resultsList->setFrameShape(QFrame::NoFrame);
    m_resultsList->setSelectionMode(QAbstractItemView::NoSelection);
    m_resultsList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_resultsList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_resultsList->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    results->addWidget(m_resultsList, 1);
    ListKeyboard::attach(m_resultsList);

    for (QWidget* page : { m_searchingPage, m_hintPage, m_resultsPage })
        m_content->addWidget(page);
    column->addWidget(m_content, 1);

    m_error->setObjectName(QStringLiteral("searchError"));
    m_error->setFont(Appearance::font(TextStyle::Caption));
    m_error->setContentsMargins(12, 6, 12, 10);
    Appearance::setTextColor(m_error, Qt::red);
    column->addWidget(m_error);

    SearchViewModel* vm = m_viewModel.get();
    connect(m_field, &QLineEdit::textEdited, vm, &SearchViewModel::setKeyword);
    // Return is the only way to search: typing alone sends nothing.
    connect(m_field, &QLineEdit::returnPressed, vm, &SearchViewModel::performSearch);
    connect(m_clearButton, &QToolButton::clicked, vm, &SearchViewModel::clearSearch);
    connect(m_closeButton, &QPushButton::clicked, this, &SearchView::dismissRequested);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &SearchView::dismissRequested);
    connect(vm, &SearchViewModel::keywordChanged, this, [this] {
        if (m_field->text() != m_viewModel->keyword())
            m_field->setText(m_viewModel->keyword());
        m_clearButton->setVisible(!m_viewModel->keyword().isEmpty());
    });
    connect(vm, &SearchViewModel::isSearchingChanged, this, &SearchView::updateContent);
    connect(vm, &SearchViewModel::resultChanged, this, &SearchView::rebuildResults);
    connect(vm, &SearchViewModel::errorChanged, this, &SearchView::updateContent);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &SearchView::retranslate);

    m_clearButton->setVisible(false);
    retranslate();
    // The stack shows its first page until told otherwise: a new sheet shows the hint.
    updateContent();
}

SearchView::~SearchView() = default;

void SearchView::retranslate()
{
    m_title->setText(Localized::text("search.title"));
    m_closeButton->setText(Localized::text("search.close"));
    m_field->setPlaceholderText(Localized::text("search.placeholder"));
    m_field->setAccessibleName(Localized::text("search.placeholder"));
    m_clearButton->setAccessibleName(Localized::text("common.clear_search"));
    m_clearButton->setToolTip(Localized::text("common.clear_search"));
    m_resultsList->setAccessibleName(Localized::text("search.title"));
    m_hintText->setText(Localized::text("search.empty_hint"));
    m_noResults->setText(Localized::text("search.no_results"));
    // Section titles and member counts are in the language in force.
    m_resultsList->viewport()->update();
}

void SearchView::rebuildResults()
{
    m_model->setResult(m_viewModel->result());
    m_noResults->setVisible(m_viewModel->result() && m_model->rowCount() == 0);
    m_resultsList->setVisible(m_model->rowCount() > 0);
    updateContent();
}

void SearchView::updateContent()
{
    switch (m_viewModel->content()) {
    case SearchViewModel::Content::Searching:
        m_content->setCurrentWidget(m_searchingPage);
        break;
    case SearchViewModel::Content::Hint:
        m_content->setCurrentWidget(m_hintPage);
        break;
    case SearchViewModel::Content::Results:
    case SearchViewModel::Content::NoResults:
        m_content->setCurrentWidget(m_resultsPage);
        break;
    }
    const std::optional<QString> error = m_viewModel->error();
    m_error->setAlert(error);
}
