#include "views/contacts/AddContactView.h"

#include "state/common/LocalizationManager.h"
#include "state/contacts/AddContactViewModel.h"
#include "views/common/AlertLabel.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"
#include "views/common/Spinner.h"
#include "views/contacts/UserResultModel.h"
#include "views/contacts/UserResultRow.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

AddContactView::AddContactView(AddContactViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_title(new QLabel(this))
    , m_close(new QPushButton(this))
    , m_field(new QLineEdit(this))
    , m_search(new QPushButton(this))
    , m_spinner(new Spinner(18, Appearance::secondaryText(), this))
    , m_error(new AlertLabel(this))
    , m_results(new QListView(this))
{
    setObjectName(QStringLiteral("addContactView"));
    m_viewModel->setParent(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 10, 12, 10);
    m_title->setFont(Appearance::font(TextStyle::Headline));
    m_close->setAutoDefault(false);
    m_close->setObjectName(QStringLiteral("closeButton"));
    connect(m_close, &QPushButton::clicked, this, [this] { Sheet::dismiss(this); });
    header->addWidget(m_title);
    header->addStretch(1);
    header->addWidget(m_close);
    column->addLayout(header);
    column->addWidget(divider(this));

    auto* searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(12, 10, 12, 10);
    m_field->setObjectName(QStringLiteral("keywordField"));
    m_field->setMinimumHeight(26);
    m_search->setAutoDefault(false);
    m_search->setObjectName(QStringLiteral("searchButton"));
    searchRow->addWidget(m_field, 1);
    searchRow->addWidget(m_search);
    column->addLayout(searchRow);

    m_spinner->setObjectName(QStringLiteral("searchSpinner"));
    column->addWidget(m_spinner, 0, Qt::AlignHCenter);
    m_error->setObjectName(QStringLiteral("addContactError"));
    m_error->setAlignment(Qt::AlignCenter);
    m_error->setContentsMargins(12, 4, 12, 4);
    Appearance::setTextColor(m_error, QColor(0xff, 0x3b, 0x30));
    column->addWidget(m_error);

    m_results->setObjectName(QStringLiteral("resultList"));
    m_results->setModel(new UserResultModel(m_viewModel, m_results));
    auto* rows = new UserResultRow(m_results);
    m_results->setItemDelegate(rows);
    m_results->setUniformItemSizes(true);
    m_results->setFrameShape(QFrame::NoFrame);
    m_results->setSelectionMode(QAbstractItemView::NoSelection);
    column->addWidget(m_results, 1);

    QPointer<AddContactViewModel> vm(m_viewModel);
    ListKeyboard::attach(m_results)->skipWhileEmpty();
    connect(rows, &UserResultRow::actionTriggered, this, [vm](const QModelIndex& index, const QString& name) {
        if (vm && name == u"add" && index.row() < vm->results().size())
            vm->sendRequest(vm->results().at(index.row()));
    });
    connect(m_field, &QLineEdit::textEdited, m_viewModel, &AddContactViewModel::setKeyword);
    // Return searches even while a search runs; the button waits for it.
    connect(m_field, &QLineEdit::returnPressed, this, [vm] {
        if (vm)
            vm->search();
    });
    connect(m_search, &QPushButton::clicked, this, [vm] {
        if (vm && vm->canSearch())
            vm->search();
    });
    connect(m_viewModel, &AddContactViewModel::keywordChanged, this, &AddContactView::updateStatus);
    connect(m_viewModel, &AddContactViewModel::isSearchingChanged, this, &AddContactView::updateStatus);
    connect(m_viewModel, &AddContactViewModel::errorChanged, this, &AddContactView::updateStatus);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &AddContactView::retranslate);
    retranslate();
}

void AddContactView::retranslate()
{
    setWindowTitle(Localized::text("add.title"));
    m_title->setText(Localized::text("add.title"));
    m_close->setText(Localized::text("common.close"));
    m_field->setPlaceholderText(Localized::text("add.search_placeholder"));
    m_search->setText(Localized::text("add.search"));
    m_field->setAccessibleName(Localized::text("add.search_placeholder"));
    m_results->setAccessibleName(Localized::text("add.results"));
    // The rows' button and "sent" are in the language in force.
    m_results->viewport()->update();
    updateStatus();
}

void AddContactView::updateStatus()
{
    const bool searching = m_viewModel->isSearching();
    // Search goes grey while it runs: the keyboard goes back to the words searched
    // for, not on round the sheet to Close.
    if (!m_viewModel->canSearch() && m_search->hasFocus())
        m_field->setFocus(Qt::OtherFocusReason);
    m_search->setEnabled(m_viewModel->canSearch());
    m_spinner->setVisible(searching);
    const std::optional<QString> error = m_viewModel->error();
    m_error->setAlert(!searching && error.has_value() ? error : std::nullopt);
}
