#include "views/account/FavoritesView.h"

#include "state/FavoritesViewModel.h"
#include "state/LocalizationManager.h"
#include "views/account/FavoriteRow.h"
#include "views/account/ListColumn.h"
#include "views/common/ErrorAlert.h"
#include "views/common/ContextMenu.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollArea>
#include <QPointer>
#include <QVBoxLayout>

FavoritesView::FavoritesView(QWidget* parent)
    : FavoritesView(std::make_unique<FavoritesViewModel>(), parent)
{
}

FavoritesView::FavoritesView(std::unique_ptr<FavoritesViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
    , m_column(new ListColumn(QStringLiteral("favorites"), QStringLiteral("star"), this))
    , m_alert(new ErrorAlert(this))
{
    setObjectName(QStringLiteral("favoritesView"));
    setMinimumWidth(260);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_column);

    connect(m_viewModel.get(), &FavoritesViewModel::favoritesChanged, this, &FavoritesView::rebuildList);
    connect(m_viewModel.get(), &FavoritesViewModel::isLoadingChanged, this, &FavoritesView::updateOverlay);
    connect(m_viewModel.get(), &FavoritesViewModel::errorMessageChanged, this,
            [this] {
                if (const auto& error = m_viewModel->error())
                    m_alert->present(*error);
            });
    connect(m_alert, &ErrorAlert::dismissed, m_viewModel.get(), &FavoritesViewModel::clearError);
    connect(m_column, &ListColumn::retryRequested, m_viewModel.get(), &FavoritesViewModel::loadFavorites);
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

void FavoritesView::retranslate()
{
    m_column->setTexts(Localized::text("favorites.title"), Localized::text("favorites.empty"));
    rebuildList();
}

void FavoritesView::rebuildList()
{
    // The old rows go with their holder; a menu of one of them may be what called.
    if (QWidget* old = m_column->list()->takeWidget())
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
    m_column->list()->setWidget(holder);
    updateOverlay();
}

void FavoritesView::updateOverlay()
{
    m_column->showState(m_viewModel->isLoading(), m_viewModel->favorites().isEmpty(), m_viewModel->loadFailure());
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
