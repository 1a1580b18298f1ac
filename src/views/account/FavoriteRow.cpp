#include "views/account/FavoriteRow.h"

#include "views/account/FavoriteListModel.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/RowActionDelegate.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

using Appearance::TextStyle;

namespace {
constexpr int PaddingH = 10;
constexpr int PaddingV = 4;
constexpr int Spacing = 12;
constexpr int LineGap = 4;
constexpr int IconSize = 14;

QFont nameFont() { return Appearance::font(TextStyle::Headline); }
QFont dateFont() { return Appearance::font(TextStyle::Caption); }
QFont bodyFont() { return Appearance::font(TextStyle::Body); }
} // namespace

FavoriteRow::ContentLine FavoriteRow::contentLine(const Message& message)
{
    const QString& type = message.type;
    if (type == u"image")
        return { QStringLiteral("photo"), QStringLiteral("favorites.image"), QString() };
    if (type == u"file") {
        if (message.fileName)
            return { QStringLiteral("doc"), QString(), *message.fileName };
        return { QStringLiteral("doc"), QStringLiteral("favorites.file"), QString() };
    }
    if (type == u"voice")
        return { QStringLiteral("waveform"), QStringLiteral("favorites.voice"), QString() };
    if (type == u"video")
        return { QStringLiteral("video"), QStringLiteral("favorites.video"), QString() };
    if (type == u"sticker")
        return { QStringLiteral("face.smiling"), QStringLiteral("favorites.sticker"), QString() };
    return { QString(), QString(), message.content.value_or(QString()) };
}

QString FavoriteRow::contentText(const Message& message)
{
    const ContentLine line = contentLine(message);
    return line.key.isEmpty() ? line.text : Localized::text(line.key);
}

QString FavoriteRow::senderText(const Message& message)
{
    return message.senderName.value_or(Localized::text("default.unknown"));
}

FavoriteRow::FavoriteRow(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QSize FavoriteRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const int text = QFontMetrics(nameFont()).height() + LineGap + 2 * QFontMetrics(bodyFont()).lineSpacing();
    return QSize(option.rect.width(), qMax(AvatarSize, text) + 2 * PaddingV);
}

void FavoriteRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const FavoriteListModel*>(index.model());
    if (!model)
        return;
    const Message& message = model->messageAt(index.row());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect content = option.rect.adjusted(PaddingH, PaddingV, -PaddingH, -PaddingV);
    const QString sender = senderText(message);
    const QRectF avatar(content.left(), content.center().y() - AvatarSize / 2.0, AvatarSize, AvatarSize);
    AvatarView::paint(painter, avatar, message.senderName.value_or(QStringLiteral("?")), message.senderAvatar);

    const int textLeft = int(avatar.right()) + Spacing;
    const int textWidth = content.right() - textLeft;
    const QFontMetrics nameMetrics(nameFont());
    const QFontMetrics bodyMetrics(bodyFont());
    const int textHeight = nameMetrics.height() + LineGap + 2 * bodyMetrics.lineSpacing();
    const int top = content.center().y() - textHeight / 2;

    // First line: the sender, then the day at the trailing edge.
    const QString date = index.data(FavoriteListModel::DateRole).toString();
    const int dateWidth = date.isEmpty() ? 0 : QFontMetrics(dateFont()).horizontalAdvance(date);
    painter->setFont(dateFont());
    painter->setPen(Appearance::secondaryText());
    painter->drawText(QRect(content.right() - dateWidth, top, dateWidth, nameMetrics.height()), Qt::AlignRight | Qt::AlignVCenter, date);
    const int nameWidth = textWidth - (dateWidth ? dateWidth + 8 : 0);
    painter->setFont(nameFont());
    painter->setPen(QApplication::palette().color(QPalette::Text));
    painter->drawText(QRect(textLeft, top, nameWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(sender, Qt::ElideRight, nameWidth));

    // Then the content: an icon for media, and at most two lines; the rest is cut.
    const int lineTop = top + nameMetrics.height() + LineGap;
    int x = textLeft;
    const ContentLine line = contentLine(message);
    if (!line.symbol.isEmpty()) {
        painter->drawPixmap(QRect(x, lineTop + (bodyMetrics.height() - IconSize) / 2, IconSize, IconSize),
            Icons::pixmap(line.symbol, IconSize, Appearance::secondaryText(), painter->device()->devicePixelRatioF()));
        x += IconSize + 4;
    }
    painter->setFont(bodyFont());
    painter->setPen(Appearance::secondaryText());
    painter->setClipRect(QRect(x, lineTop, content.right() - x, 2 * bodyMetrics.lineSpacing()), Qt::IntersectClip);
    painter->drawText(QRect(x, lineTop, content.right() - x, 2 * bodyMetrics.lineSpacing()),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, contentText(message));
    painter->restore();
    RowActionDelegate::paintCurrentRow(painter, option);
}
