#include "views/account/ImagePreviewView.h"

#include "state/common/LocalizationManager.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/ImageLoader.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"
#include "views/common/Spinner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

enum Page { LoadingPage, LoadedPage, FailedPage };

} // namespace

ImagePreviewView::ImagePreviewView(QUrl url, QWidget* parent)
    : QDialog(parent)
    , m_url(std::move(url))
    , m_title(new QLabel(this))
    , m_close(new QPushButton(this))
    , m_content(new QStackedWidget(this))
    , m_image(new QLabel(m_content))
    , m_failedText(new QLabel)
{
    setObjectName(QStringLiteral("imagePreview"));
    setFixedSize(600, 500);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 12, 16, 12);
    m_title->setFont(Appearance::font(TextStyle::Headline));
    header->addWidget(m_title);
    header->addStretch(1);
    m_close->setObjectName(QStringLiteral("previewCloseButton"));
    // Escape rejects the dialog, which is this button's action too.
    m_close->setAutoDefault(false);
    header->addWidget(m_close);
    column->addLayout(header);
    column->addWidget(divider(this));

    auto* loading = new QWidget(m_content);
    auto* loadingLayout = new QVBoxLayout(loading);
    loadingLayout->addWidget(new Spinner(28, Appearance::accent(), loading), 0, Qt::AlignCenter);
    m_image->setObjectName(QStringLiteral("previewImage"));
    m_image->setAlignment(Qt::AlignCenter);
    m_image->setContentsMargins(12, 12, 12, 12);
    auto* failed = new QWidget(m_content);
    failed->setObjectName(QStringLiteral("previewFailed"));
    auto* failedLayout = new QVBoxLayout(failed);
    failedLayout->setSpacing(8);
    failedLayout->addStretch(1);
    auto* warning = new QLabel(failed);
    Icons::apply(warning, QStringLiteral("exclamationmark.triangle"), 40, Appearance::secondaryText());
    failedLayout->addWidget(warning, 0, Qt::AlignHCenter);
    m_failedText->setParent(failed);
    m_failedText->setObjectName(QStringLiteral("previewFailedText"));
    Appearance::setTextColor(m_failedText, Appearance::secondaryText());
    failedLayout->addWidget(m_failedText, 0, Qt::AlignHCenter);
    failedLayout->addStretch(1);
    m_content->insertWidget(LoadingPage, loading);
    m_content->insertWidget(LoadedPage, m_image);
    m_content->insertWidget(FailedPage, failed);
    column->addWidget(m_content, 1);

    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(&ImageLoader::shared(), &ImageLoader::finished, this, [this](const QUrl& done) {
        if (done == m_url)
            showState();
    });
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ImagePreviewView::retranslate);
    retranslate();
    // Return on the focused Close closes; closed, the focus goes back to the row that opened it.
    Sheet::setUpKeyboard(this);
    ImageLoader::shared().request(m_url);
    showState();
}

QString ImagePreviewView::phase() const
{
    switch (m_content->currentIndex()) {
    case LoadedPage: return QStringLiteral("loaded");
    case FailedPage: return QStringLiteral("failed");
    default: return QStringLiteral("loading");
    }
}

void ImagePreviewView::retranslate()
{
    setWindowTitle(Localized::text("files.preview_title"));
    m_title->setText(Localized::text("files.preview_title"));
    m_close->setText(Localized::text("files.preview_close"));
    m_failedText->setText(Localized::text("files.preview_failed"));
}

void ImagePreviewView::showState()
{
    switch (ImageLoader::shared().state(m_url)) {
    case ImageLoader::State::Loaded: {
        const QImage image = ImageLoader::shared().image(m_url);
        // The sheet has a fixed size, so the picture is fitted once.
        const QSize room = QSize(600, 500 - 60).shrunkBy(m_image->contentsMargins());
        m_image->setPixmap(QPixmap::fromImage(image).scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_content->setCurrentIndex(LoadedPage);
        break;
    }
    case ImageLoader::State::Failed:
        m_content->setCurrentIndex(FailedPage);
        break;
    case ImageLoader::State::Idle:
    case ImageLoader::State::Loading:
        m_content->setCurrentIndex(LoadingPage);
        break;
    }
}
