#include "views/account/FileManagementView.h"

#include "state/account/FileManagementViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/account/FileListModel.h"
#include "views/account/FileManagementRow.h"
#include "views/account/ImagePreviewView.h"
#include "views/account/ListColumn.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Appearance.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"

#include <QListView>
#include <QTimer>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

FileManagementView::FileManagementView(QWidget* parent)
    : FileManagementView(std::make_unique<FileManagementViewModel>(), parent)
{
}

FileManagementView::FileManagementView(std::unique_ptr<FileManagementViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
    , m_model(new FileListModel(m_viewModel.get(), this))
    , m_rows(new FileManagementRow(this))
    , m_list(new QListView)
    , m_loadMore(new QPushButton)
    , m_spinnerTimer(new QTimer(this))
    , m_column(nullptr)
    , m_alert(new ErrorAlert(this))
{
    setMinimumWidth(260);
    // The list, then "load more" right under its last row, then the rest of the column.
    auto* body = new QWidget;
    auto* stack = new QVBoxLayout(body);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    m_list->setParent(body);
    m_list->setObjectName(QStringLiteral("fileRows"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(m_rows);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Grows to its rows' height (see fitList); the space below goes to the stretch.
    stack->addWidget(m_list, 1);
    m_loadMore->setParent(body);
    m_loadMore->setObjectName(QStringLiteral("loadMoreButton"));
    m_loadMore->setFlat(true);
    m_loadMore->setCursor(Qt::PointingHandCursor);
    Appearance::setTextColor(m_loadMore, Appearance::secondaryText());
    stack->addWidget(m_loadMore);
    stack->addStretch(0);
    m_column = new ListColumn(QStringLiteral("files"), QStringLiteral("folder"), body, this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_column);

    m_spinnerTimer->setInterval(80);
    connect(m_spinnerTimer, &QTimer::timeout, this, [this] {
        m_rows->advanceSpinner();
        m_list->viewport()->update();
    });
    ListKeyboard::attach(m_list);
    connect(m_rows, &FileManagementRow::actionTriggered, this, [this](const QModelIndex& index, const QString& name) {
        if (name == u"preview")
            showPreview(index.data(FileListModel::PreviewUrlRole).toUrl());
        else if (name == u"download")
            m_viewModel->download(index.data(FileListModel::FileIdRole).toLongLong());
    });
    connect(m_loadMore, &QPushButton::clicked, this, [this] { m_viewModel->loadMore(); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &FileManagementView::fitList);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &FileManagementView::fitList);
    connect(m_model, &QAbstractItemModel::modelReset, this, &FileManagementView::fitList);
    connect(m_viewModel.get(), &FileManagementViewModel::filesChanged, this, &FileManagementView::updateOverlay);
    connect(m_viewModel.get(), &FileManagementViewModel::loadingChanged, this, &FileManagementView::updateOverlay);
    connect(m_viewModel.get(), &FileManagementViewModel::downloadingChanged, this, &FileManagementView::updateSpinners);
    connect(m_viewModel.get(), &FileManagementViewModel::errorMessageChanged, this,
            [this] {
                if (const auto& error = m_viewModel->error())
                    m_alert->present(*error);
            });
    connect(m_alert, &ErrorAlert::dismissed, m_viewModel.get(), &FileManagementViewModel::clearError);
    connect(m_column, &ListColumn::retryRequested, m_viewModel.get(), &FileManagementViewModel::loadFiles);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &FileManagementView::retranslate);
    retranslate();
    fitList();
}

FileManagementView::~FileManagementView() = default;

void FileManagementView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Each visit of the section reloads; a window coming back from the taskbar does not.
    if (!event->spontaneous())
        m_viewModel->loadFiles();
}

void FileManagementView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitList();
}

void FileManagementView::fitList()
{
    // As tall as its rows, so "load more" follows the last one; a long list is
    // held to the column and scrolls.
    const int rowHeight = m_rows->sizeHint(QStyleOptionViewItem(), QModelIndex()).height();
    m_list->setMaximumHeight(m_model->rowCount() * rowHeight + 2 * m_list->frameWidth());
    m_list->setVisible(m_model->rowCount() > 0);
}

void FileManagementView::updateSpinners(qint64 fileId)
{
    m_downloads += m_viewModel->isDownloading(fileId) ? 1 : -1;
    if (m_downloads > 0)
        m_spinnerTimer->start();
    else
        m_spinnerTimer->stop();
}

void FileManagementView::retranslate()
{
    m_column->setTexts(Localized::text("files.title"), Localized::text("files.empty"));
    m_list->setAccessibleName(Localized::text("files.title"));
    m_loadMore->setText(Localized::text("files.load_more"));
    // A file without a name is called so in the language in force.
    m_list->viewport()->update();
    updateOverlay();
}

void FileManagementView::updateOverlay()
{
    m_column->showState(m_viewModel->isLoading(), m_viewModel->files().isEmpty(), m_viewModel->loadFailure());
    m_loadMore->setVisible(!m_viewModel->files().isEmpty());
    m_loadMore->setEnabled(m_viewModel->canLoadMore());
}

void FileManagementView::showPreview(const QUrl& url)
{
    if (m_preview)
        m_preview->deleteLater();
    m_previewURL = url;
    m_preview = new ImagePreviewView(url, this);
    ImagePreviewView* sheet = m_preview;
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (m_preview != sheet)
            return;
        m_previewURL.reset();
        m_preview = nullptr;
        sheet->deleteLater();
    });
    sheet->open();
}
