#include "views/account/FileManagementView.h"

#include "state/FileManagementViewModel.h"
#include "state/LocalizationManager.h"
#include "views/account/FileManagementRow.h"
#include "views/account/ImagePreviewView.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"

#include <QLabel>
#include <QScrollArea>
#include <QPushButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

FileManagementView::FileManagementView(QWidget* parent)
    : FileManagementView(std::make_unique<FileManagementViewModel>(), parent)
{
}

FileManagementView::FileManagementView(std::unique_ptr<FileManagementViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
    , m_title(new QLabel(this))
    , m_scroll(new QScrollArea(this))
    , m_empty(new QWidget(this))
    , m_emptyText(new QLabel(m_empty))
    , m_spinner(new Spinner(28, Appearance::accent(), this))
    , m_alert(new ErrorAlert(this))
{
    setObjectName(QStringLiteral("fileManagementView"));
    setMinimumWidth(260);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_title->setObjectName(QStringLiteral("filesTitle"));
    m_title->setFont(Appearance::font(TextStyle::Headline));
    m_title->setContentsMargins(14, 12, 14, 8);
    column->addWidget(m_title);
    m_scroll->setObjectName(QStringLiteral("filesList"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(m_scroll, 1);

    m_empty->setObjectName(QStringLiteral("filesEmpty"));
    auto* empty = new QVBoxLayout(m_empty);
    empty->setSpacing(8);
    auto* folder = new QLabel(m_empty);
    folder->setObjectName(QStringLiteral("filesEmptyIcon"));
    Icons::apply(folder, QStringLiteral("folder"), 40, Appearance::secondaryText());
    m_emptyText->setFont(Appearance::font(TextStyle::Headline));
    Appearance::setTextColor(m_emptyText, Appearance::secondaryText());
    empty->addWidget(folder, 0, Qt::AlignHCenter);
    empty->addWidget(m_emptyText, 0, Qt::AlignHCenter);

    connect(m_viewModel.get(), &FileManagementViewModel::filesChanged, this, &FileManagementView::syncRows);
    connect(m_viewModel.get(), &FileManagementViewModel::loadingChanged, this, &FileManagementView::updateOverlay);
    connect(m_viewModel.get(), &FileManagementViewModel::errorMessageChanged, this,
            [this] {
                if (const auto& error = m_viewModel->error())
                    m_alert->present(*error);
            });
    connect(m_alert, &ErrorAlert::dismissed, m_viewModel.get(), &FileManagementViewModel::clearError);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &FileManagementView::retranslate);
    retranslate();
}

FileManagementView::~FileManagementView() = default;

void FileManagementView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_viewModel->loadFiles();
}

void FileManagementView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_spinner->move((width() - m_spinner->width()) / 2, (height() - m_spinner->height()) / 2);
    m_empty->adjustSize();
    m_empty->move((width() - m_empty->width()) / 2, (height() - m_empty->height()) / 2);
}

void FileManagementView::retranslate()
{
    m_title->setText(Localized::text("files.title"));
    m_emptyText->setText(Localized::text("files.empty"));
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
    const bool loading = m_viewModel->isLoading();
    m_spinner->setVisible(loading);
    m_spinner->raise();
    m_empty->setVisible(!loading && m_viewModel->files().isEmpty());
    m_empty->raise();
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
