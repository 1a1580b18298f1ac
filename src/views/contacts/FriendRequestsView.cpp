#include "views/contacts/FriendRequestsView.h"

#include "state/common/LocalizationManager.h"
#include "state/contacts/FriendRequestsViewModel.h"
#include "views/common/AlertLabel.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"
#include "views/common/Spinner.h"
#include "views/contacts/FriendRequestModel.h"
#include "views/contacts/FriendRequestRow.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {
enum Page { LoadingPage, EmptyPage, ListPage };
}

FriendRequestsView::FriendRequestsView(FriendRequestsViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_title(new QLabel(this))
    , m_close(new QPushButton(this))
    , m_content(new QStackedWidget(this))
    , m_empty(new QLabel(this))
    , m_list(new QListView(this))
    , m_error(new AlertLabel(this))
{
    setObjectName(QStringLiteral("friendRequestsView"));
    m_viewModel->setParent(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* titleBar = new QHBoxLayout;
    titleBar->setContentsMargins(12, 10, 12, 10);
    m_title->setFont(Appearance::font(TextStyle::Headline));
    m_close->setAutoDefault(false);
    m_close->setObjectName(QStringLiteral("closeButton"));
    connect(m_close, &QPushButton::clicked, this, [this] { Sheet::dismiss(this); });
    titleBar->addWidget(m_title);
    titleBar->addStretch(1);
    titleBar->addWidget(m_close);
    column->addLayout(titleBar);
    column->addWidget(divider(this));

    auto* loading = new QWidget(m_content);
    auto* loadingColumn = new QVBoxLayout(loading);
    loadingColumn->addWidget(new Spinner(20, Appearance::secondaryText(), loading), 0, Qt::AlignHCenter);
    loadingColumn->addStretch(1);
    auto* empty = new QWidget(m_content);
    empty->setObjectName(QStringLiteral("emptyRequests"));
    auto* emptyColumn = new QVBoxLayout(empty);
    emptyColumn->setSpacing(12);
    emptyColumn->addStretch(1);
    auto* emptySymbol = new QLabel(empty);
    Icons::apply(emptySymbol, QStringLiteral("person.2.slash"), 40, Appearance::secondaryText());
    emptyColumn->addWidget(emptySymbol, 0, Qt::AlignHCenter);
    m_empty->setParent(empty);
    Appearance::setTextColor(m_empty, Appearance::secondaryText());
    emptyColumn->addWidget(m_empty, 0, Qt::AlignHCenter);
    emptyColumn->addStretch(1);
    m_list->setObjectName(QStringLiteral("requestList"));
    m_list->setModel(new FriendRequestModel(m_viewModel, m_list));
    auto* rows = new FriendRequestRow(m_list);
    m_list->setItemDelegate(rows);
    m_list->setUniformItemSizes(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    ListKeyboard::attach(m_list);
    QPointer<FriendRequestsViewModel> state(m_viewModel);
    connect(rows, &FriendRequestRow::actionTriggered, this, [state](const QModelIndex& index, const QString& name) {
        if (!state || index.row() >= state->requests().size())
            return;
        const FriendRequest request = state->requests().at(index.row());
        if (name == u"accept")
            state->acceptRequest(request);
        else if (name == u"reject")
            state->rejectRequest(request);
    });
    m_content->insertWidget(LoadingPage, loading);
    m_content->insertWidget(EmptyPage, empty);
    m_content->insertWidget(ListPage, m_list);
    column->addWidget(m_content, 1);

    m_error->setObjectName(QStringLiteral("requestsError"));
    m_error->setContentsMargins(12, 6, 12, 6);
    m_error->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_error, QColor(0xff, 0x3b, 0x30));
    column->addWidget(m_error);

    connect(m_viewModel, &FriendRequestsViewModel::requestsChanged, this, &FriendRequestsView::refresh);
    connect(m_viewModel, &FriendRequestsViewModel::isLoadingChanged, this, &FriendRequestsView::refresh);
    connect(m_viewModel, &FriendRequestsViewModel::errorChanged, this, &FriendRequestsView::updateError);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &FriendRequestsView::retranslate);
    retranslate();
    updateError();
}

void FriendRequestsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_viewModel->loadRequests();
}

void FriendRequestsView::retranslate()
{
    setWindowTitle(Localized::text("friend.title"));
    m_title->setText(Localized::text("friend.title"));
    m_close->setText(Localized::text("common.close"));
    m_empty->setText(Localized::text("friend.no_requests"));
    m_list->setAccessibleName(Localized::text("friend.title"));
    // Buttons and final words are in the language in force.
    m_list->viewport()->update();
    refresh();
}

void FriendRequestsView::refresh()
{
    if (m_viewModel->isLoading()) {
        m_content->setCurrentIndex(LoadingPage);
        return;
    }
    m_content->setCurrentIndex(m_viewModel->requests().isEmpty() ? EmptyPage : ListPage);
}

void FriendRequestsView::updateError()
{
    const std::optional<QString> error = m_viewModel->error();
    m_error->setAlert(error);
}
