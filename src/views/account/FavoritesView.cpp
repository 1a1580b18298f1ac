#include "views/account/FavoritesView.h"

#include "state/account/FavoritesViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/account/FavoriteListModel.h"
#include "views/account/FavoriteRow.h"
#include "views/account/ListColumn.h"
#include "views/common/ErrorAlert.h"
#include "views/common/ContextMenu.h"
#include "views/common/Icons.h"
#include "views/common/ImageLoader.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QListView>
#include <QPointer>
#include <QShowEvent>
#include <QVBoxLayout>

FavoritesView::FavoritesView(QWidget* parent)
    : FavoritesView(std::make_unique<FavoritesViewModel>(), parent)
{
}

FavoritesView::FavoritesView(std::unique_ptr<FavoritesViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
    , m_model(new FavoriteListModel(this))
    , m_list(new QListView)
    , m_column(new ListColumn(QStringLiteral("favorites"), QStringLiteral("star"), m_list, this))
    , m_alert(new ErrorAlert(this))
{
    setMinimumWidth(260);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_column);

    m_list->setModel(m_model);
    m_list->setItemDelegate(new FavoriteRow(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    ListKeyboard* keys = ListKeyboard::attach(m_list);
    keys->showCurrentRowOnEntry();
    keys->skipWhileEmpty();
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = m_list->indexAt(pos);
        if (index.isValid())
            contextMenu(m_model->messageAt(index.row()))->popup(m_list->viewport()->mapToGlobal(pos));
    });
    // An avatar that arrives is drawn by the next paint of the rows showing it.
    connect(&ImageLoader::shared(), &ImageLoader::finished, m_list->viewport(), qOverload<>(&QWidget::update));

    connect(m_viewModel.get(), &FavoritesViewModel::favoritesChanged, this, [this] {
        m_model->setFavorites(m_viewModel->favorites());
        updateOverlay();
    });
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
    // Each visit of the section reloads; a window coming back from the taskbar does not.
    if (!event->spontaneous())
        m_viewModel->loadFavorites();
}

void FavoritesView::retranslate()
{
    m_column->setTexts(Localized::text("favorites.title"), Localized::text("favorites.empty"));
    m_list->setAccessibleName(Localized::text("favorites.title"));
    // Media rows say "Image" and the like in the language in force.
    m_list->viewport()->update();
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
