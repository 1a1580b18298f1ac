#include "views/contacts/FriendRequestsView.h"

#include "state/FriendRequestsViewModel.h"
#include "state/LocalizationManager.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/ProminentButton.h"
#include "views/common/Sheet.h"
#include "views/common/Spinner.h"
#include "views/common/ElidedLabel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
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
    , m_list(new QListWidget(this))
    , m_error(new QLabel(this))
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
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_content->insertWidget(LoadingPage, loading);
    m_content->insertWidget(EmptyPage, empty);
    m_content->insertWidget(ListPage, m_list);
    column->addWidget(m_content, 1);

    m_error->setObjectName(QStringLiteral("requestsError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
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
    refresh();
}

void FriendRequestsView::refresh()
{
    if (m_viewModel->isLoading()) {
        m_content->setCurrentIndex(LoadingPage);
        return;
    }
    const QList<FriendRequest> requests = m_viewModel->requests();
    m_content->setCurrentIndex(requests.isEmpty() ? EmptyPage : ListPage);
    m_list->clear();
    for (const FriendRequest& request : requests) {
        auto* item = new QListWidgetItem(m_list);
        QWidget* row = requestRow(request);
        item->setSizeHint(QSize(0, row->sizeHint().height()));
        m_list->setItemWidget(item, row);
    }
}

void FriendRequestsView::updateError()
{
    const std::optional<QString> error = m_viewModel->error();
    m_error->setVisible(error.has_value());
    m_error->setText(error.value_or(QString()));
}

QWidget* FriendRequestsView::requestRow(const FriendRequest& request)
{
    auto* row = new QWidget(m_list);
    row->setObjectName(QStringLiteral("requestRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(10);
    layout->addWidget(new AvatarView(request.fromUserName.value_or(QStringLiteral("?")), request.fromUserAvatar, 36, row));

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    auto* name = new ElidedLabel(request.fromUserName.value_or(Localized::text("default.unknown")), row);
    name->setObjectName(QStringLiteral("requestName"));
    name->setFont(Appearance::font(TextStyle::Body));
    text->addWidget(name);
    if (request.message && !request.message->isEmpty()) {
        auto* message = new ElidedLabel(*request.message, row);
        message->setObjectName(QStringLiteral("requestMessage"));
        message->setFont(Appearance::font(TextStyle::Caption));
        Appearance::setTextColor(message, Appearance::secondaryText());
        text->addWidget(message);
    }
    layout->addLayout(text, 1);

    const FriendRequestsViewModel::RowState state = FriendRequestsViewModel::rowState(request);
    if (state == FriendRequestsViewModel::RowState::Pending) {
        QPointer<FriendRequestsViewModel> viewModel(m_viewModel);
        auto* accept = new ProminentButton(row);
        accept->setObjectName(QStringLiteral("acceptButton"));
        accept->setAutoDefault(false);
        accept->setText(Localized::text("friend.accept"));
        accept->setFixedHeight(22);
        accept->setMinimumWidth(accept->fontMetrics().horizontalAdvance(accept->text()) + 20);
        auto* reject = new QPushButton(Localized::text("friend.reject"), row);
        reject->setObjectName(QStringLiteral("rejectButton"));
        reject->setAutoDefault(false);
        reject->setFixedHeight(22);
        connect(accept, &QPushButton::clicked, this, [viewModel, request] {
            if (viewModel)
                viewModel->acceptRequest(request);
        });
        connect(reject, &QPushButton::clicked, this, [viewModel, request] {
            if (viewModel)
                viewModel->rejectRequest(request);
        });
        layout->addWidget(accept);
        layout->addWidget(reject);
    } else {
        auto* outcome = new QLabel(Localized::text(state == FriendRequestsViewModel::RowState::Accepted ? "friend.accepted" : "friend.rejected"), row);
        outcome->setObjectName(QStringLiteral("requestOutcome"));
        outcome->setFont(Appearance::font(TextStyle::Caption));
        Appearance::setTextColor(outcome, Appearance::secondaryText());
        layout->addWidget(outcome);
    }
    return row;
}
