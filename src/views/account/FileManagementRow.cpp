#include "views/account/FileManagementRow.h"

#include "state/FileManagementViewModel.h"
#include "state/Graphemes.h"
#include "state/WholeNumber.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"
#include "views/common/SystemColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>


using Appearance::TextStyle;

namespace {

enum class Kind { None, Image, Video, Audio, Pdf, Archive, Other };

Kind kindOf(const std::optional<QString>& mimeType)
{
    if (!mimeType)
        return Kind::None;
    const QString type = mimeType->toLower();
    if (type.startsWith(u"image/"))
        return Kind::Image;
    if (type.startsWith(u"video/"))
        return Kind::Video;
    if (type.startsWith(u"audio/"))
        return Kind::Audio;
    if (type.contains(u"pdf"))
        return Kind::Pdf;
    if (type.contains(u"zip") || type.contains(u"rar"))
        return Kind::Archive;
    return Kind::Other;
}

QToolButton* iconButton(QWidget* parent, const char* objectName, const char* symbol)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    Icons::apply(button, QString::fromLatin1(symbol), 18, Appearance::accent());
    return button;
}

} // namespace

QString FileManagementRow::iconName(const std::optional<QString>& mimeType)
{
    switch (kindOf(mimeType)) {
    case Kind::Image: return QStringLiteral("photo");
    case Kind::Video: return QStringLiteral("video");
    case Kind::Audio: return QStringLiteral("music.note");
    case Kind::Pdf: return QStringLiteral("doc.richtext");
    case Kind::Archive: return QStringLiteral("doc.zipper");
    case Kind::None:
    case Kind::Other: break;
    }
    return QStringLiteral("doc");
}

QColor FileManagementRow::iconColor(const std::optional<QString>& mimeType)
{
    switch (kindOf(mimeType)) {
    case Kind::Image: return SystemColors::green();
    case Kind::Video: return SystemColors::purple();
    case Kind::Audio: return SystemColors::orange();
    case Kind::Pdf: return SystemColors::red();
    case Kind::None:
    case Kind::Archive:
    case Kind::Other: break;
    }
    return SystemColors::blue();
}

QString FileManagementRow::formatFileSize(qint64 bytes)
{
    if (bytes <= 1023)
        return QString::number(bytes) + QStringLiteral(" B");
    if (bytes < 1048576)
        return fixedPointText(double(bytes) / 1024.0, 1) + QStringLiteral(" KB");
    return fixedPointText(double(bytes) / 1048576.0, 1) + QStringLiteral(" MB");
}

FileManagementRow::FileManagementRow(FileItem file, FileManagementViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_file(std::move(file))
    , m_viewModel(viewModel)
    , m_downloadHolder(new QStackedWidget(this))
    , m_download(iconButton(m_downloadHolder, "downloadButton", "arrow.down.circle"))
{
    setObjectName(QStringLiteral("fileRow"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 2, 10, 2);
    row->setSpacing(12);
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("fileIcon"));
    icon->setFixedWidth(36);
    icon->setAlignment(Qt::AlignCenter);
    Icons::apply(icon, iconName(m_file.mimeType), 24, iconColor(m_file.mimeType));
    row->addWidget(icon);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    auto* name = new ElidedLabel(this);
    name->setObjectName(QStringLiteral("fileName"));
    name->setFont(Appearance::font(TextStyle::Body));
    name->setFullText(m_file.fileName.value_or(Localized::text("files.unknown_file")));
    text->addWidget(name);
    auto* details = new QHBoxLayout;
    details->setSpacing(8);
    auto addDetail = [&](const QString& value, const char* objectName) {
        auto* label = new QLabel(value, this);
        label->setObjectName(QString::fromLatin1(objectName));
        label->setTextFormat(Qt::PlainText);
        label->setFont(Appearance::font(TextStyle::Caption));
        Appearance::setTextColor(label, Appearance::secondaryText());
        details->addWidget(label);
    };
    if (m_file.fileSize)
        addDetail(formatFileSize(*m_file.fileSize), "fileSize");
    if (m_file.createdAt)
        addDetail(graphemes::prefix(*m_file.createdAt, 10), "fileDate");
    details->addStretch(1);
    text->addLayout(details);
    row->addLayout(text, 1);

    if (const std::optional<QUrl> preview = m_viewModel->previewUrl(m_file)) {
        QToolButton* button = iconButton(this, "previewButton", "eye");
        button->setToolTip(Localized::text("files.preview"));
        const QUrl url = *preview;
        connect(button, &QToolButton::clicked, this, [this, url] { Q_EMIT previewRequested(url); });
        row->addWidget(button);
    }
    m_download->setToolTip(Localized::text("files.download"));
    m_downloadHolder->addWidget(m_download);
    m_downloadHolder->addWidget(new Spinner(16, Appearance::accent(), m_downloadHolder));
    m_downloadHolder->setFixedSize(m_download->sizeHint());
    row->addWidget(m_downloadHolder);

    const qint64 id = m_file.id;
    connect(m_download, &QToolButton::clicked, this, [this, id] { m_viewModel->download(id); });
    connect(m_viewModel, &FileManagementViewModel::downloadingChanged, this, [this](qint64 changed) {
        if (changed == m_file.id)
            updateDownloading();
    });
    updateDownloading();
}

void FileManagementRow::updateDownloading()
{
    const bool downloading = m_viewModel->isDownloading(m_file.id);
    m_download->setEnabled(!downloading);
    m_downloadHolder->setCurrentIndex(downloading ? 1 : 0);
}
