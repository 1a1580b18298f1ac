#include "views/account/FavoritesView.h"

#include "state/FavoritesViewModel.h"
#include "state/LocalizationManager.h"
#include "views/account/FavoriteRow.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Appearance.h"
#include "views/common/ContextMenu.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QScrollArea>
#include <QPointer>
#include <QVBoxLayout>

using Appearance::TextStyle;

FavoritesView::FavoritesView(QWidget* parent)
    : FavoritesView(std::make_unique<FavoritesViewModel>(), parent)
{
}

FavoritesView::FavoritesView(std::unique_ptr<FavoritesViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
    , m_title(new QLabel(this))
    , m_scroll(new QScrollArea(this))
    , m_empty(new QWidget(this))
    , m_emptyText(new QLabel(m_empty))
    , m_spinner(new Spinner(28, Appearance::accent(), this))
    , m_alert(new ErrorAlert(this))
{
    setObjectName(QStringLiteral("favoritesView"));
    setMinimumWidth(260);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_title->setObjectName(QStringLiteral("favoritesTitle"));
    m_title->setFont(Appearance::font(TextStyle::Headline));
    m_title->setContentsMargins(14, 12, 14, 8);
    column->addWidget(m_title);
    m_scroll->setObjectName(QStringLiteral("favoritesList"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(m_scroll, 1);

    m_empty->setObjectName(QStringLiteral("favoritesEmpty"));
    auto* empty = new QVBoxLayout(m_empty);
    empty->setSpacing(8);
    auto* star = new QLabel(m_empty);
    star->setObjectName(QStringLiteral("favoritesEmptyIcon"));
    Icons::apply(star, QStringLiteral("star"), 40, Appearance::secondaryText());
    m_emptyText->setFont(Appearance::font(TextStyle::Headline));
    Appearance::setTextColor(m_emptyText, Appearance::secondaryText());
    empty->addWidget(star, 0, Qt::AlignHCenter);
    empty->addWidget(m_emptyText, 0, Qt::AlignHCenter);

    connect(m_viewModel.get(), &FavoritesViewModel::favoritesChanged, this, &FavoritesView::rebuildList);
    connect(m_viewModel.get(), &FavoritesViewModel::isLoadingChanged, this, &FavoritesView::updateOverlay);
    connect(m_viewModel.get(), &FavoritesViewModel::errorMessageChanged, this,
            [this] {
                if (const auto& error = m_viewModel->error())
                    m_alert->present(*error);
            });
    connect(m_alert, &ErrorAlert::dismissed, m_viewModel.get(), &FavoritesViewModel::clearError);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &FavoritesView::retranslate);
    retranslate();
}

FavoritesView::~FavoritesView() = default;

void FavoritesView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_viewModel->loadFavorites();
}

void FavoritesView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_spinner->move((width() - m_spinner->width()) / 2, (height() - m_spinner->height()) / 2);
    m_empty->adjustSize();
    m_empty->move((width() - m_empty->width()) / 2, (height() - m_empty->height()) / 2);
}

void FavoritesView::retranslate()
{
    m_title->setText(Localized::text("favorites.title"));
    m_emptyText->setText(Localized::text("favorites.empty"));
    rebuildList();
}

void FavoritesView::rebuildList()
{
    // The old rows go with their holder; a menu of one of them may be what called.
    if (QWidget* old = m_scroll->takeWidget())
        old->deleteLater();
    auto* holder = new QWidget;
    auto* rows = new QVBoxLayout(holder);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    for (const Message& message : m_viewModel->favorites()) {
        auto* row = new FavoriteRow(message, holder);
        row->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(row, &QWidget::customContextMenuRequested, this, [this, row](const QPoint& pos) {
            contextMenu(row->message())->popup(row->mapToGlobal(pos));
        });
        rows->addWidget(row);
    }
    rows->addStretch(1);
    m_scroll->setWidget(holder);
    updateOverlay();
}

void FavoritesView::updateOverlay()
{
    const bool loading = m_viewModel->isLoading();
    m_spinner->setVisible(loading);
    m_spinner->raise();
    m_empty->setVisible(!loading && m_viewModel->favorites().isEmpty());
    m_empty->raise();
}

QMenu* FavoritesView::contextMenu(const Message& message)
{
    auto* menu = new ContextMenu(this);
    menu->setObjectName(QStringLiteral("favoriteContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<FavoritesViewModel> viewModel(m_viewModel.get());
    QAction* unstar = menu->addAction(Icons::icon(QStringLiteral("star.slash")), Localized::text("favorites.unstar"));
    unstar->setObjectName(QStringLiteral("unstarAction"));
    ContextMenu::markDestructive(unstar);
    connect(unstar, &QAction::triggered, menu, [viewModel, message] {
        if (viewModel)
            viewModel->removeFavorite(message);
    });
    if (message.content) {
        QAction* copy = menu->addAction(Icons::icon(QStringLiteral("doc.on.doc")), Localized::text("favorites.copy"));
        copy->setObjectName(QStringLiteral("copyAction"));
        const QString content = *message.content;
        connect(copy, &QAction::triggered, menu, [content] { copyToPasteboard(content); });
    }
    return menu;
}

void FavoritesView::copyToPasteboard(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}
