#include "views/account/FileManagementView.h"

#include "state/FileManagementViewModel.h"
#include "state/LocalizationManager.h"
#include "views/account/FileManagementRow.h"
#include "views/account/ImagePreviewView.h"
#include "views/account/ListColumn.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"
#include "views/common/VerticalScrollArea.h"

#include <QScrollArea>
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
    , m_scroll(new VerticalScrollArea)
    , m_column(new ListColumn(QStringLiteral("files"), QStringLiteral("folder"), m_scroll, this))
    , m_alert(new ErrorAlert(this))
{
    setObjectName(QStringLiteral("fileManagementView"));
    setMinimumWidth(260);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_column);

    connect(m_viewModel.get(), &FileManagementViewModel::filesChanged, this, &FileManagementView::syncRows);
    connect(m_viewModel.get(), &FileManagementViewModel::loadingChanged, this, &FileManagementView::updateOverlay);
    connect(m_viewModel.get(), &FileManagementViewModel::errorMessageChanged, this,
            [this] {
                if (const auto& error = m_viewModel->error())
                    m_alert->present(*error);
            });
    connect(m_alert, &ErrorAlert::dismissed, m_viewModel.get(), &FileManagementViewModel::clearError);
    connect(m_column, &ListColumn::retryRequested, m_viewModel.get(), &FileManagementViewModel::loadFiles);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &FileManagementView::retranslate);
    retranslate();
}

FileManagementView::~FileManagementView() = default;

void FileManagementView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Each visit of the section reloads; a window coming back from the taskbar does not.
    if (!event->spontaneous())
        m_viewModel->loadFiles();
}

void FileManagementView::retranslate()
{
    m_column->setTexts(Localized::text("files.title"), Localized::text("files.empty"));
    rebuildRows();
}

void FileManagementView::syncRows()
{
    // A next page only adds rows at the end; anything else rebuilds the list.
    const QList<FileItem>& files = m_viewModel->files();
    bool appended = m_rows && files.size() >= m_shownIds.size();
    for (qsizetype i = 0; appended && i < m_shownIds.size(); ++i)
        appended = files.at(i).id == m_shownIds.at(i);
    if (!appended) {
        rebuildRows();
        return;
    }
    auto* layout = static_cast<QVBoxLayout*>(m_rows->layout());
    for (qsizetype i = m_shownIds.size(); i < files.size(); ++i) {
        auto* row = new FileManagementRow(files.at(i), m_viewModel.get(), m_rows);
        connect(row, &FileManagementRow::previewRequested, this, &FileManagementView::showPreview);
        // Above the "load more" button and the closing stretch.
        layout->insertWidget(layout->count() - 2, row);
        m_shownIds.append(files.at(i).id);
    }
    m_loadMore->setVisible(!files.isEmpty());
    updateOverlay();
}

void FileManagementView::rebuildRows()
{
    if (QWidget* old = m_scroll->takeWidget())
        old->deleteLater();
    m_rows = new QWidget;
    m_rows->setObjectName(QStringLiteral("fileRows"));
    auto* layout = new QVBoxLayout(m_rows);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The last row of the list: centred across it, in the secondary colour.
    m_loadMore = new QPushButton(Localized::text("files.load_more"), m_rows);
    m_loadMore->setObjectName(QStringLiteral("loadMoreButton"));
    m_loadMore->setFlat(true);
    m_loadMore->setCursor(Qt::PointingHandCursor);
    Appearance::setTextColor(m_loadMore, Appearance::secondaryText());
    connect(m_loadMore, &QPushButton::clicked, this, [this] { m_viewModel->loadMore(); });
    layout->addWidget(m_loadMore);
    layout->addStretch(1);
    m_scroll->setWidget(m_rows);
    m_shownIds.clear();
    syncRows();
}

void FileManagementView::updateOverlay()
{
    m_column->showState(m_viewModel->isLoading(), m_viewModel->files().isEmpty(), m_viewModel->loadFailure());
    if (m_loadMore)
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
