#include "views/contacts/MomentsView.h"

#include "state/common/LocalizationManager.h"
#include "state/contacts/MomentsViewModel.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/ProminentButton.h"
#include "views/common/Sheet.h"
#include "views/common/Spinner.h"
#include "views/common/TabLeavesField.h"
#include "views/contacts/MomentFeedView.h"
#include "views/contacts/MomentListModel.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

MomentsView::MomentsView(qint64 currentUserId, QWidget* parent)
    : MomentsView(std::make_unique<MomentsViewModel>(currentUserId), parent)
{
}

MomentsView::MomentsView(std::unique_ptr<MomentsViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
{
    build();
}

MomentsView::~MomentsView() = default;

void MomentsView::build()
{
    setObjectName(QStringLiteral("momentsView"));
    setMinimumWidth(300);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(14, 10, 10, 10);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("momentsTitle"));
    m_title->setFont(Appearance::font(TextStyle::Headline));
    m_composeButton = new QToolButton(this);
    m_composeButton->setObjectName(QStringLiteral("composeButton"));
    m_composeButton->setAutoRaise(true);
    m_composeButton->setCursor(Qt::PointingHandCursor);
    Icons::apply(m_composeButton, QStringLiteral("square.and.pencil"), 18, Appearance::accent());
    header->addWidget(m_title);
    header->addStretch(1);
    header->addWidget(m_composeButton);
    column->addLayout(header);
    column->addWidget(divider(this));

    m_body = new QStackedWidget(this);
    m_loadingPage = new QWidget(m_body);
    auto* loading = new QVBoxLayout(m_loadingPage);
    loading->addWidget(new Spinner(20, Appearance::secondaryText(), m_loadingPage), 0, Qt::AlignHCenter);
    loading->addStretch(1);

    m_errorPage = new QWidget(m_body);
    m_errorPage->setObjectName(QStringLiteral("momentsErrorPage"));
    auto* failed = new QVBoxLayout(m_errorPage);
    failed->addStretch(1);
    m_errorText = new QLabel(m_errorPage);
    m_errorText->setObjectName(QStringLiteral("momentsError"));
    m_errorText->setTextFormat(Qt::PlainText);
    m_errorText->setWordWrap(true);
    m_errorText->setAlignment(Qt::AlignCenter);
    Appearance::setTextColor(m_errorText, Qt::red);
    m_retryButton = new QPushButton(m_errorPage);
    m_retryButton->setObjectName(QStringLiteral("momentsRetryButton"));
    failed->addWidget(m_errorText);
    failed->addWidget(m_retryButton, 0, Qt::AlignHCenter);
    failed->addStretch(1);

    m_emptyPage = new QWidget(m_body);
    m_emptyPage->setObjectName(QStringLiteral("momentsEmptyPage"));
    auto* empty = new QVBoxLayout(m_emptyPage);
    empty->setSpacing(12);
    empty->addStretch(1);
    auto* camera = new QLabel(m_emptyPage);
    Icons::apply(camera, QStringLiteral("camera"), 40, Appearance::secondaryText());
    empty->addWidget(camera, 0, Qt::AlignHCenter);
    m_emptyText = new QLabel(m_emptyPage);
    m_emptyText->setObjectName(QStringLiteral("momentsEmpty"));
    Appearance::setTextColor(m_emptyText, Appearance::secondaryText());
    empty->addWidget(m_emptyText, 0, Qt::AlignHCenter);
    empty->addStretch(1);

    m_listPage = new MomentFeedView(new MomentListModel(m_viewModel.get(), this), m_viewModel.get(), m_body);
    // A reload after a like, a comment or a post keeps the feed on screen, with the
    // keyboard's place in it; this spinner says it is on its way, over the feed's top.
    m_reloadSpinner = new Spinner(20, Appearance::secondaryText(), m_body);
    m_reloadSpinner->setObjectName(QStringLiteral("momentsReloadSpinner"));
    m_reloadSpinner->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_reloadSpinner->hide();

    for (QWidget* page : std::initializer_list<QWidget*> { m_loadingPage, m_errorPage, m_emptyPage, m_listPage })
        m_body->addWidget(page);
    column->addWidget(m_body, 1);

    m_compose = buildComposeSheet();

    connect(m_composeButton, &QToolButton::clicked, m_viewModel.get(), &MomentsViewModel::toggleCompose);
    connect(m_retryButton, &QPushButton::clicked, this, [this] { m_viewModel->loadMoments(); });
    connect(m_viewModel.get(), &MomentsViewModel::isLoadingChanged, this, &MomentsView::updateBody);
    connect(m_viewModel.get(), &MomentsViewModel::errorChanged, this, &MomentsView::updateBody);
    connect(m_viewModel.get(), &MomentsViewModel::momentsChanged, this, &MomentsView::updateBody);
    connect(m_viewModel.get(), &MomentsViewModel::showComposeChanged, this, &MomentsView::updateCompose);
    connect(m_viewModel.get(), &MomentsViewModel::newContentChanged, this, &MomentsView::updateCompose);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &MomentsView::retranslate);
    retranslate();
    updateCompose();
}

QDialog* MomentsView::buildComposeSheet()
{
    auto* sheet = new QDialog(this);
    sheet->setObjectName(QStringLiteral("composeSheet"));
    sheet->setFixedSize(400, 250);
    // The caret in the editor as it opens, the focus back on the compose button as it closes.
    Sheet::setUpKeyboard(sheet);
    auto* column = new QVBoxLayout(sheet);
    column->setSpacing(16);
    m_composeTitle = new QLabel(sheet);
    m_composeTitle->setObjectName(QStringLiteral("composeTitle"));
    m_composeTitle->setFont(Appearance::font(TextStyle::Headline));
    column->addWidget(m_composeTitle, 0, Qt::AlignHCenter);
    m_composeEditor = new QPlainTextEdit(sheet);
    m_composeEditor->setObjectName(QStringLiteral("composeEditor"));
    m_composeEditor->setFixedHeight(120);
    // Tab goes on to the buttons; Ctrl+Tab types a tab.
    TabLeavesField::apply(m_composeEditor);
    m_composeEditor->setStyleSheet(QStringLiteral("QPlainTextEdit { border: 1px solid rgba(128,128,128,77); }"));
    column->addWidget(m_composeEditor);
    auto* buttons = new QHBoxLayout;
    m_cancelButton = new QPushButton(sheet);
    m_cancelButton->setObjectName(QStringLiteral("composeCancelButton"));
    m_publishButton = new ProminentButton(sheet);
    m_publishButton->setObjectName(QStringLiteral("publishButton"));
    m_publishButton->setMinimumWidth(90);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch(1);
    buttons->addWidget(m_publishButton);
    column->addLayout(buttons);

    connect(m_composeEditor, &QPlainTextEdit::textChanged, this, [this] { m_viewModel->setNewContent(m_composeEditor->toPlainText()); });
    // Cancel, Escape and the window's close button all only close: the text stays.
    connect(m_cancelButton, &QPushButton::clicked, sheet, &QDialog::reject);
    connect(sheet, &QDialog::finished, this, [this] { m_viewModel->setShowCompose(false); });
    connect(m_publishButton, &QPushButton::clicked, this, [this] { m_viewModel->publishMoment(); });
    connect(m_viewModel.get(), &MomentsViewModel::isPublishingChanged, this, &MomentsView::updateCompose);
    connect(m_viewModel.get(), &MomentsViewModel::publishFailed, sheet, [sheet](const QString& error) { Sheet::showError(sheet, error); });
    return sheet;
}

void MomentsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_viewModel->loadMoments();
}

void MomentsView::retranslate()
{
    m_title->setText(Localized::text("moments.title"));
    m_emptyText->setText(Localized::text("moments.empty"));
    m_retryButton->setText(Localized::text("moments.retry"));
    m_composeTitle->setText(Localized::text("moments.compose"));
    m_composeButton->setAccessibleName(Localized::text("moments.compose"));
    m_composeButton->setToolTip(Localized::text("moments.compose"));
    m_composeEditor->setAccessibleName(Localized::text("moments.compose"));
    m_cancelButton->setText(Localized::text("common.cancel"));
    m_publishButton->setText(Localized::text("moments.publish"));
    m_compose->setWindowTitle(Localized::text("moments.compose"));
    updateBody();
    m_listPage->remakeRows();
}

void MomentsView::updateBody()
{
    const bool feedShown = m_body->currentWidget() == m_listPage;
    const bool hadFocus = m_body->isAncestorOf(QApplication::focusWidget());
    m_reloadSpinner->setVisible(m_viewModel->isLoading() && feedShown);
    if (m_viewModel->isLoading()) {
        if (feedShown) {
            m_reloadSpinner->move((m_body->width() - m_reloadSpinner->width()) / 2, 8);
            m_reloadSpinner->raise();
        } else {
            m_body->setCurrentWidget(m_loadingPage);
        }
    } else if (const std::optional<QString> error = m_viewModel->error()) {
        m_errorText->setText(Localized::text("moments.load_failed") + *error);
        m_body->setCurrentWidget(m_errorPage);
    } else if (m_viewModel->moments().isEmpty()) {
        m_body->setCurrentWidget(m_emptyPage);
    } else {
        m_body->setCurrentWidget(m_listPage);
    }
    // The feed the keyboard was in gave way to the failure or the empty state. The
    // stack hands the focus to a page that has no control of its own all the same:
    // it goes to the page's button, or the compose button.
    QWidget* now = QApplication::focusWidget();
    const bool kept = m_body->isAncestorOf(now)
        && (m_body->currentWidget() == m_listPage || (now->focusPolicy() & Qt::TabFocus));
    if (hadFocus && !kept)
        (m_body->currentWidget() == m_errorPage ? static_cast<QWidget*>(m_retryButton) : m_composeButton)->setFocus(Qt::OtherFocusReason);
}

void MomentsView::updateCompose()
{
    if (m_composeEditor->toPlainText() != m_viewModel->newContent())
        m_composeEditor->setPlainText(m_viewModel->newContent());
    m_publishButton->setEnabled(m_viewModel->canPublish() && !m_viewModel->isPublishing());
    if (m_viewModel->showCompose() && !m_compose->isVisible())
        m_compose->open();
    else if (!m_viewModel->showCompose() && m_compose->isVisible())
        m_compose->close();
}
