#include "views/account/FileManagementRow.h"

#include "state/common/WholeNumber.h"
#include "views/account/FileListModel.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/SystemColors.h"

#include <QApplication>
#include <QPainter>


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

constexpr int PaddingH = 10;
constexpr int PaddingV = 2;
constexpr int Spacing = 12;
constexpr int IconBox = 36;
constexpr int KindIconSize = 24;
constexpr int ButtonSize = 26;
// Between the two trailing buttons, and between the size and the day.
constexpr int SmallGap = 8;

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

FileManagementRow::FileManagementRow(QObject* parent)
    : RowActionDelegate(parent)
{
}

QRect FileManagementRow::downloadRect(const QRect& row)
{
    const QRect content = row.adjusted(PaddingH, 0, -PaddingH, 0);
    return QRect(content.right() - ButtonSize + 1, content.center().y() - ButtonSize / 2, ButtonSize, ButtonSize);
}

QRect FileManagementRow::previewRect(const QRect& row)
{
    return downloadRect(row).translated(-(ButtonSize + SmallGap), 0);
}

void FileManagementRow::advanceSpinner()
{
    m_spinnerStep = (m_spinnerStep + 1) % 12;
}

QSize FileManagementRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const int text = QFontMetrics(Appearance::font(TextStyle::Body)).height() + 2 + QFontMetrics(Appearance::font(TextStyle::Caption)).height();
    return QSize(option.rect.width(), qMax(IconBox, text) + 2 * PaddingV);
}

void FileManagementRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const FileListModel*>(index.model());
    if (!model)
        return;
    const FileItem& file = model->fileAt(index.row());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const qreal ratio = painter->device()->devicePixelRatioF();
    const QRect content = option.rect.adjusted(PaddingH, 0, -PaddingH, 0);

    const QRect icon(content.left(), content.center().y() - IconBox / 2, IconBox, IconBox);
    painter->drawPixmap(QRect(icon.center().x() - KindIconSize / 2 + 1, icon.center().y() - KindIconSize / 2 + 1, KindIconSize, KindIconSize),
        Icons::pixmap(iconName(file.mimeType), KindIconSize, iconColor(file.mimeType), ratio));

    // The buttons at the trailing edge: preview for images, then download.
    const QRect download = downloadRect(option.rect);
    if (index.data(FileListModel::DownloadingRole).toBool()) {
        const QRectF ring = QRectF(download).adjusted(5, 5, -5, -5);
        painter->setPen(QPen(Appearance::accent(), 2, Qt::SolidLine, Qt::RoundCap));
        painter->drawArc(ring, -m_spinnerStep * 30 * 16, 270 * 16);
    } else {
        painter->drawPixmap(download.adjusted(3, 3, -3, -3), Icons::pixmap(QStringLiteral("arrow.down.circle"), ButtonSize - 6, Appearance::accent(), ratio));
    }
    int textRight = download.left() - Spacing;
    if (index.data(FileListModel::PreviewUrlRole).toUrl().isValid()) {
        const QRect preview = previewRect(option.rect);
        painter->drawPixmap(preview.adjusted(3, 3, -3, -3), Icons::pixmap(QStringLiteral("eye"), ButtonSize - 6, Appearance::accent(), ratio));
        textRight = preview.left() - Spacing;
    }

    const int textLeft = icon.right() + 1 + Spacing;
    const int textWidth = textRight - textLeft;
    const QFont nameFont = Appearance::font(TextStyle::Body);
    const QFont detailFont = Appearance::font(TextStyle::Caption);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics detailMetrics(detailFont);
    const int top = content.center().y() - (nameMetrics.height() + 2 + detailMetrics.height()) / 2;
    painter->setFont(nameFont);
    painter->setPen(QApplication::palette().color(QPalette::Text));
    painter->drawText(QRect(textLeft, top, textWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, textWidth));

    // The size, then the day; what does not fit is cut.
    painter->setFont(detailFont);
    painter->setPen(Appearance::secondaryText());
    const int detailTop = top + nameMetrics.height() + 2;
    int x = textLeft;
    for (const int role : { int(FileListModel::SizeRole), int(FileListModel::DateRole) }) {
        const QString detail = index.data(role).toString();
        const int room = textLeft + textWidth - x;
        if (detail.isEmpty() || room <= 0)
            continue;
        const QString shown = detailMetrics.elidedText(detail, Qt::ElideRight, room);
        painter->drawText(QRect(x, detailTop, room, detailMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter, shown);
        x += detailMetrics.horizontalAdvance(shown) + SmallGap;
    }
    painter->restore();
    paintCurrentRow(painter, option);
}

QList<QRect> FileManagementRow::actionRects(const QStyleOptionViewItem& option, const QModelIndex&, const QList<RowAction>& actions) const
{
    QList<QRect> rects;
    for (const RowAction& action : actions)
        rects << (action.name == u"preview" ? previewRect(option.rect) : downloadRect(option.rect));
    return rects;
}
