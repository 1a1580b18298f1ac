#include "views/contacts/SearchView.h"

#include "state/LocalizationManager.h"
#include "state/SearchViewModel.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"
#include "views/common/VerticalScrollArea.h"
#include "views/contacts/SearchResultRow.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

QLabel* plainLabel(const QString& text, TextStyle style, QWidget* parent, bool elided = false)
{
    QLabel* label = elided ? new ElidedLabel(text, parent) : new QLabel(text, parent);
    label->setFont(Appearance::font(style));
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QLabel* secondary(QLabel* label)
{
    Appearance::setTextColor(label, Appearance::secondaryText());
    return label;
}

// Avatar, a title and an optional second line.
SearchResultRow* personRow(const QString& name, const std::optional<QString>& avatar, const std::optional<QString>& detail,
                           const char* objectName, QWidget* parent)
{
    auto* row = new SearchResultRow(parent);
    row->setProperty("kind", QString::fromLatin1(objectName));
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(4, 2, 4, 2);
    line->setSpacing(8);
    auto* picture = new AvatarView(name, avatar, 32, row);
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    line->addWidget(picture);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = plainLabel(name, TextStyle::Body, row, true);
    title->setObjectName(QStringLiteral("resultTitle"));
    texts->addWidget(title);
    if (detail) {
        auto* second = secondary(plainLabel(*detail, TextStyle::Caption, row, true));
        second->setObjectName(QStringLiteral("resultDetail"));
        texts->addWidget(second);
    }
    line->addLayout(texts, 1);
    return row;
}

// Empties a layout, deleting the widgets of nested layouts too (a layout does not own them).
void clearLayout(QLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QLayout* nested = item->layout())
            clearLayout(nested);
        delete item->widget();
        delete item;
    }
}

} // namespace

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
    , m_resultsPage(new VerticalScrollArea(m_content))
    , m_results(nullptr)
    , m_error(new QLabel(this))
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
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
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

    auto* scroll = static_cast<QScrollArea*>(m_resultsPage);
    scroll->setObjectName(QStringLiteral("searchResults"));
    auto* list = new QWidget(scroll);
    m_results = new QVBoxLayout(list);
    m_results->setContentsMargins(12, 12, 12, 12);
    m_results->setSpacing(16);
    scroll->setWidget(list);

    for (QWidget* page : { m_searchingPage, m_hintPage, m_resultsPage })
        m_content->addWidget(page);
    column->addWidget(m_content, 1);

    m_error->setObjectName(QStringLiteral("searchError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
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
    connect(vm, &SearchViewModel::contactChosen, this, &SearchView::contactChosen);
    connect(vm, &SearchViewModel::finished, this, &SearchView::dismissRequested);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &SearchView::retranslate);

    m_clearButton->setVisible(false);
    retranslate();
    setFocusProxy(m_field);
}

SearchView::~SearchView() = default;

void SearchView::retranslate()
{
    m_title->setText(Localized::text("search.title"));
    m_closeButton->setText(Localized::text("search.close"));
    m_field->setPlaceholderText(Localized::text("search.placeholder"));
    m_hintText->setText(Localized::text("search.empty_hint"));
    rebuildResults();
}

QLabel* SearchView::sectionTitle(const char* key, const char* objectName)
{
    auto* title = secondary(plainLabel(Localized::text(key), TextStyle::Subheadline, m_resultsPage));
    title->setObjectName(QString::fromLatin1(objectName));
    return title;
}

void SearchView::rebuildResults()
{
    clearLayout(m_results);
    QWidget* list = m_results->parentWidget();
    const std::optional<SearchService::GlobalSearchResult> result = m_viewModel->result();
    if (result) {
        auto section = [&](const char* key, const char* objectName) {
            auto* box = new QVBoxLayout;
            box->setSpacing(2);
            box->addWidget(sectionTitle(key, objectName));
            m_results->addLayout(box);
            return box;
        };
        if (!result->contacts.isEmpty()) {
            QVBoxLayout* box = section("search.contacts", "contactsSection");
            for (const SearchService::SearchUser& user : result->contacts) {
                SearchResultRow* row = personRow(user.username, user.avatar, user.bio, "contact", list);
                connect(row, &SearchResultRow::clicked, this, [this, user] { m_viewModel->chooseContact(user); });
                box->addWidget(row);
            }
        }
        if (!result->groups.isEmpty()) {
            QVBoxLayout* box = section("search.groups", "groupsSection");
            for (const SearchService::SearchGroup& group : result->groups) {
                std::optional<QString> members;
                if (group.memberCount)
                    members = QString::number(*group.memberCount) + QLatin1Char(' ') + Localized::text("contacts.members_count").trimmed();
                SearchResultRow* row = personRow(group.name, group.avatar, members, "group", list);
                connect(row, &SearchResultRow::clicked, this, [this, group] { m_viewModel->chooseGroup(group); });
                box->addWidget(row);
            }
        }
        if (!result->messages.isEmpty()) {
            QVBoxLayout* box = section("search.messages", "messagesSection");
            for (const SearchService::SearchMessage& message : result->messages) {
                auto* row = new SearchResultRow(list);
                row->setProperty("kind", QStringLiteral("message"));
                auto* lines = new QVBoxLayout(row);
                lines->setContentsMargins(4, 4, 4, 4);
                lines->setSpacing(2);
                auto* top = new QHBoxLayout;
                QLabel* sender = plainLabel(message.senderName.value_or(Localized::text("default.unknown")), TextStyle::Caption, row, true);
                QFont medium = sender->font();
                medium.setWeight(QFont::Medium);
                sender->setFont(medium);
                sender->setObjectName(QStringLiteral("resultTitle"));
                top->addWidget(sender, 1);
                if (message.createdAt)
                    top->addWidget(secondary(plainLabel(*message.createdAt, TextStyle::Caption2, row)));
                lines->addLayout(top);
                QLabel* content = plainLabel(message.content.value_or(QString()), TextStyle::Body, row);
                content->setObjectName(QStringLiteral("resultDetail"));
                content->setWordWrap(true);
                // At most two lines of the message.
                content->setMaximumHeight(content->fontMetrics().lineSpacing() * 2 + 2);
                lines->addWidget(content);
                connect(row, &SearchResultRow::clicked, this, [this, message] { m_viewModel->chooseMessage(message); });
                box->addWidget(row);
            }
        }
        if (result->contacts.isEmpty() && result->groups.isEmpty() && result->messages.isEmpty()) {
            QLabel* none = secondary(plainLabel(Localized::text("search.no_results"), TextStyle::Body, list));
            none->setObjectName(QStringLiteral("searchNoResults"));
            none->setAlignment(Qt::AlignCenter);
            m_results->addWidget(none);
        }
    }
    m_results->addStretch(1);
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
    m_error->setVisible(error.has_value());
    m_error->setText(error.value_or(QString()));
}
