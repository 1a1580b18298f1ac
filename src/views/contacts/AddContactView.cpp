#include "views/contacts/AddContactView.h"

#include "state/AddContactViewModel.h"
#include "state/LocalizationManager.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Localized.h"
#include "views/common/ProminentButton.h"
#include "views/common/Sheet.h"
#include "views/common/Spinner.h"
#include "views/common/ElidedLabel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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
    , m_error(new QLabel(this))
    , m_results(new QListWidget(this))
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
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setAlignment(Qt::AlignCenter);
    m_error->setContentsMargins(12, 4, 12, 4);
    Appearance::setTextColor(m_error, QColor(0xff, 0x3b, 0x30));
    column->addWidget(m_error);

    m_results->setObjectName(QStringLiteral("resultList"));
    m_results->setFrameShape(QFrame::NoFrame);
    m_results->setSelectionMode(QAbstractItemView::NoSelection);
    column->addWidget(m_results, 1);

    QPointer<AddContactViewModel> vm(m_viewModel);
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
    connect(m_viewModel, &AddContactViewModel::resultsChanged, this, &AddContactView::refresh);
    connect(m_viewModel, &AddContactViewModel::sentRequestsChanged, this, &AddContactView::refresh);
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
    refresh();
    updateStatus();
}

void AddContactView::updateStatus()
{
    const bool searching = m_viewModel->isSearching();
    m_search->setEnabled(m_viewModel->canSearch());
    m_spinner->setVisible(searching);
    const std::optional<QString> error = m_viewModel->error();
    m_error->setVisible(!searching && error.has_value());
    m_error->setText(error.value_or(QString()));
}

void AddContactView::refresh()
{
    m_results->clear();
    for (const User& user : m_viewModel->results()) {
        auto* item = new QListWidgetItem(m_results);
        QWidget* row = resultRow(user);
        item->setSizeHint(QSize(0, row->sizeHint().height()));
        m_results->setItemWidget(item, row);
    }
}

QWidget* AddContactView::resultRow(const User& user)
{
    auto* row = new QWidget(m_results);
    row->setObjectName(QStringLiteral("resultRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 4, 12, 4);
    layout->setSpacing(10);
    layout->addWidget(new AvatarView(user.name, user.avatar, 36, row));
    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    auto* name = new ElidedLabel(user.name, row);
    name->setObjectName(QStringLiteral("resultName"));
    name->setFont(Appearance::font(TextStyle::Body));
    auto* openId = new ElidedLabel(QStringLiteral("ID: ") + user.openId, row);
    openId->setObjectName(QStringLiteral("resultOpenId"));
    openId->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(openId, Appearance::secondaryText());
    text->addWidget(name);
    text->addWidget(openId);
    layout->addLayout(text, 1);
    if (m_viewModel->wasSent(user.id)) {
        auto* sent = new QLabel(Localized::text("add.sent"), row);
        sent->setObjectName(QStringLiteral("sentLabel"));
        sent->setFont(Appearance::font(TextStyle::Caption));
        Appearance::setTextColor(sent, Appearance::secondaryText());
        layout->addWidget(sent);
    } else {
        auto* add = new ProminentButton(row);
        add->setObjectName(QStringLiteral("addButton"));
        add->setAutoDefault(false);
        add->setText(Localized::text("add.add_button"));
        add->setFixedHeight(22);
        add->setMinimumWidth(add->fontMetrics().horizontalAdvance(add->text()) + 20);
        QPointer<AddContactViewModel> vm(m_viewModel);
        connect(add, &QPushButton::clicked, this, [vm, user] {
            if (vm)
                vm->sendRequest(user);
        });
        layout->addWidget(add);
    }
    return row;
}
