#include "views/chat/MessageBubble.h"

#include "network/NetworkConfig.h"
#include "state/chat/MessageSender.h"
#include "state/chat/RevokedNotice.h"
#include "state/chat/SystemNotice.h"
#include "state/common/WholeNumber.h"
#include "views/chat/AvatarView.h"
#include "views/chat/MessageListModel.h"
#include "views/common/Appearance.h"
#include "views/common/ContextMenu.h"
#include "views/common/DateTimeText.h"
#include "views/common/FocusRing.h"
#include "views/common/Icons.h"
#include "views/common/ImageLoader.h"
#include "views/common/Localized.h"
#include "views/common/WrappedText.h"

#include <QApplication>
#include <QClipboard>
#include <QJsonDocument>
#include <QListView>
#include <QJsonObject>
#include <QMap>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>


using Appearance::TextStyle;

namespace {

constexpr int RowPaddingH = 16;
constexpr int AvatarSize = 32;
constexpr int ColumnSpacing = 2;
constexpr int MinSideSpace = 60;
constexpr int ChipHeight = 20;

QColor secondaryFill() { return QColor(0x86, 0x86, 0x8b, 26); }

// The colour emoji face draws well below the size of text, so the chips' emoji get a
// few pixels more than the caption text to look caption-sized.
QFont chipEmojiFont()
{
    QFont font = Appearance::font(TextStyle::Caption);
    font.setPixelSize(15);
    return font;
}

// Rows are as wide as the list's viewport; the option's rectangle is not set yet
// when a row is measured.
int rowWidth(const QStyleOptionViewItem& option)
{
    if (const auto* view = qobject_cast<const QListView*>(option.widget))
        return view->viewport()->width() - 2 * view->spacing();
    return option.rect.width();
}

int lineHeight(TextStyle style) { return QFontMetrics(Appearance::font(style)).height(); }

QString contentOrEmpty(const Message& message) { return message.content.value_or(QString()); }

bool isType(const Message& message, const char* type) { return message.type == QLatin1StringView(type); }

// The largest a picture is shown at, in points: what it is decoded for, too.
QSize mediaBox(bool sticker)
{
    return sticker ? QSize(120, 120) : QSize(240, 240);
}

QSize fitted(QSize size, QSize box)
{
    if (size.isEmpty())
        return box;
    return size.scaled(box, Qt::KeepAspectRatio);
}

struct CardParts {
    QString symbol;
    QColor tint;
    QString title;
    QString subtitle;
    int spacing = 10; // between the symbol and the texts
};

std::optional<CardParts> card(const Message& message)
{
    if (isType(message, "file")) {
        return CardParts { QStringLiteral("doc.fill"), Appearance::accent(),
            message.fileName.value_or(Localized::text("chat.file")),
            message.fileSize ? MessageBubble::fileSizeText(*message.fileSize) : QString() };
    }
    if (isType(message, "location")) {
        return CardParts { QStringLiteral("mappin.circle.fill"), QColor(0xff, 0x3b, 0x30),
            MessageBubble::contentString(message.content, QStringLiteral("name")).value_or(Localized::text("input.location")), {}, 8 };
    }
    if (isType(message, "contact_card")) {
        return CardParts { QStringLiteral("person.crop.rectangle"), Appearance::accent(),
            MessageBubble::contentString(message.content, QStringLiteral("name")).value_or(Localized::text("input.contact_card")), {}, 8 };
    }
    return std::nullopt;
}

QString plainBubbleText(const Message& message)
{
    if (isType(message, "voice"))
        return message.content.value_or(QStringLiteral("0")) + QLatin1Char('"');
    return contentOrEmpty(message);
}

void drawSpinner(QPainter* painter, const QRectF& rect)
{
    QRectF spin(0, 0, 16, 16);
    spin.moveCenter(rect.center());
    painter->setPen(QPen(Appearance::secondaryText(), 2, Qt::SolidLine, Qt::RoundCap));
    painter->setBrush(Qt::NoBrush);
    painter->drawArc(spin, 90 * 16, 270 * 16);
}

} // namespace

const QStringList& MessageBubble::emojiReplies()
{
    static const QStringList list {
        QStringLiteral("\U0001F44D"), QStringLiteral("\u2764\uFE0F"), QStringLiteral("\U0001F602"),
        QStringLiteral("\U0001F62E"), QStringLiteral("\U0001F622"), QStringLiteral("\U0001F64F"),
    };
    return list;
}

QString MessageBubble::fileSizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" B");
    if (bytes < 1024 * 1024)
        return fixedPointText(double(bytes) / 1024.0, 1) + QStringLiteral(" K");
    return fixedPointText(double(bytes) / (1024.0 * 1024.0), 1) + QStringLiteral(" M");
}

QString MessageBubble::timeText(const std::optional<QString>& createdAt)
{
    if (!createdAt)
        return {};
    const auto parsed = DateTimeText::parseInternet(*createdAt);
    return parsed ? parsed->toLocalTime().toString(QStringLiteral("HH:mm")) : QString();
}

std::optional<MessageBubble::StatusIcon> MessageBubble::statusIcon(const std::optional<QString>& status)
{
    if (!status)
        return std::nullopt;
    if (*status == QLatin1StringView("sending"))
        return StatusIcon { QStringLiteral("clock"), Appearance::secondaryText() };
    if (*status == QLatin1StringView("sent"))
        return StatusIcon { QStringLiteral("checkmark"), Appearance::secondaryText() };
    if (*status == QLatin1StringView("delivered"))
        return StatusIcon { QStringLiteral("checkmark"), Appearance::accent() };
    if (*status == QLatin1StringView("read"))
        return StatusIcon { QStringLiteral("checkmark.circle.fill"), Appearance::accent() };
    return std::nullopt;
}

QList<MessageBubble::ReactionChip> MessageBubble::reactionChips(const QList<MessageReaction>& reactions)
{
    QMap<QString, int> counts;
    for (const MessageReaction& reaction : reactions)
        ++counts[reaction.emoji];
    QList<ReactionChip> chips;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        chips.append({ it.key(), it.value() });
    // QMap's UTF-16 order differs from code-point order above the surrogates.
    std::stable_sort(chips.begin(), chips.end(), [](const ReactionChip& a, const ReactionChip& b) {
        return a.emoji.toUcs4() < b.emoji.toUcs4();
    });
    return chips;
}

MessageBubble::RowKind MessageBubble::rowKind(const Message& message)
{
    if (message.revokedAt || message.status == QStringLiteral("revoked"))
        return RowKind::Revoked;
    if (isType(message, "system"))
        return RowKind::System;
    return RowKind::Ordinary;
}

QString MessageBubble::revokedText(const Message& message, bool isMine)
{
    return RevokedNotice::text(message, isMine);
}

std::optional<QString> MessageBubble::contentString(const std::optional<QString>& content, const QString& key)
{
    if (!content)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(content->toUtf8());
    if (!document.isObject())
        return std::nullopt;
    const QJsonValue value = document.object().value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

QUrl MessageBubble::mediaUrl(const Message& message)
{
    QString address = message.fileUrl ? *message.fileUrl : contentString(message.content, QStringLiteral("url")).value_or(QString());
    if (address.isEmpty())
        return {};
    if (address.startsWith(QLatin1Char('/')))
        address.prepend(NetworkConfig::apiBaseUrl());
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

bool MessageBubble::isOnServer(const Message& message)
{
    return message.id > 0 && message.status != QStringLiteral("sending") && message.status != QStringLiteral("failed");
}

QMenu* MessageBubble::contextMenu(const Message& message, bool isMine, const Actions& actions, QWidget* parent)
{
    auto* menu = new ContextMenu(parent);
    menu->setObjectName(QStringLiteral("messageContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool onServer = isOnServer(message);
    if (onServer) {
        QAction* reply = menu->addAction(Localized::text("chat.reply"));
        reply->setObjectName(QStringLiteral("replyAction"));
        QObject::connect(reply, &QAction::triggered, menu, [onReply = actions.onReply] {
            if (onReply)
                onReply();
        });
    }
    QAction* copy = menu->addAction(Localized::text("chat.copy"));
    copy->setObjectName(QStringLiteral("copyAction"));
    QObject::connect(copy, &QAction::triggered, menu, [content = message.content] {
        if (content)
            QApplication::clipboard()->setText(*content);
    });
    if (onServer) {
        QMenu* emoji = menu->addMenu(Localized::text("chat.emoji_reply"));
        emoji->setObjectName(QStringLiteral("emojiReplyMenu"));
        // The colour emoji face draws noticeably smaller than text of the same size.
        QFont emojiFont = emoji->font();
        emojiFont.setPixelSize(20);
        emoji->setFont(emojiFont);
        for (const QString& symbol : emojiReplies()) {
            QAction* react = emoji->addAction(symbol);
            QObject::connect(react, &QAction::triggered, menu, [onReact = actions.onReact, symbol] {
                if (onReact)
                    onReact(symbol);
            });
        }
    }
    if (isMine && message.status == QStringLiteral("failed")) {
        menu->addSeparator();
        QAction* resend = menu->addAction(Localized::text("chat.resend"));
        resend->setObjectName(QStringLiteral("resendAction"));
        QObject::connect(resend, &QAction::triggered, menu, [onResend = actions.onResend] {
            if (onResend)
                onResend();
        });
        // Only what the server cannot hold can be thrown away: a message that may have
        // reached it would still arrive, so it can only be sent again (stored once).
        if (MessageSender::canDiscard(message)) {
            QAction* discard = menu->addAction(Localized::text("chat.discard"));
            discard->setObjectName(QStringLiteral("discardAction"));
            ContextMenu::markDestructive(discard);
            QObject::connect(discard, &QAction::triggered, menu, [onDiscard = actions.onDiscard] {
                if (onDiscard)
                    onDiscard();
            });
        }
    }
    if (isMine && onServer) {
        menu->addSeparator();
        QAction* revoke = menu->addAction(Localized::text("chat.revoke"));
        revoke->setObjectName(QStringLiteral("revokeAction"));
        ContextMenu::markDestructive(revoke);
        QObject::connect(revoke, &QAction::triggered, menu, [onRevoke = actions.onRevoke] {
            if (onRevoke)
                onRevoke();
        });
    }
    return menu;
}

MessageBubble::MessageBubble(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QSize MessageBubble::contentSize(const Message& message, int maxWidth) const
{
    if (isType(message, "image")) {
        const QUrl url = mediaUrl(message);
        const QImage image = url.isValid() ? ImageLoader::shared().image(url) : QImage();
        // Fitted into the column too when it is narrower: cut to its width, the picture would stretch.
        return image.isNull() ? QSize(120, 80) : fitted(image.size(), mediaBox(false).boundedTo(QSize(maxWidth, 240)));
    }
    if (isType(message, "sticker")) {
        const QUrl url = mediaUrl(message);
        const QImage image = url.isValid() ? ImageLoader::shared().image(url) : QImage();
        return image.isNull() ? QSize(56, 56) : fitted(image.size(), mediaBox(true).boundedTo(QSize(maxWidth, 120)));
    }
    if (isType(message, "video"))
        return QSize(200, 120);
    if (const auto parts = card(message)) {
        const QFontMetrics body(Appearance::font(TextStyle::Body));
        const QFontMetrics caption(Appearance::font(TextStyle::Caption));
        const int textWidth = qMax(body.horizontalAdvance(parts->title),
            parts->subtitle.isEmpty() ? 0 : caption.horizontalAdvance(parts->subtitle));
        const int textHeight = body.height() + (parts->subtitle.isEmpty() ? 0 : 2 + caption.height());
        // Two pixels of slack: eliding measures glyph bearings and would cut a text that fits exactly.
        const int width = qMin(maxWidth, 10 + 24 + parts->spacing + textWidth + 2 + 10);
        return QSize(width, qMax(24, textHeight) + 20);
    }
    const int iconWidth = isType(message, "voice") ? 18 + 6 : 0;
    const QSize text = WrappedText::size(plainBubbleText(message), Appearance::font(TextStyle::Body), maxWidth - 24 - iconWidth);
    return QSize(text.width() + 24 + iconWidth, text.height() + 16);
}

MessageBubble::Layout MessageBubble::layout(const Message& message, bool isMine, int width) const
{
    Layout result;
    result.kind = rowKind(message);
    const int inner = qMax(100, width - 2 * RowPaddingH);
    if (result.kind == RowKind::Revoked) {
        // A long notice ("removed by an administrator") wraps in a narrow chat.
        const int h = WrappedText::size(revokedText(message, isMine), Appearance::font(TextStyle::Caption), inner).height();
        result.notice = QRect(RowPaddingH, 4, inner, h);
        result.height = h + 8;
        return result;
    }
    if (result.kind == RowKind::System) {
        const QSize text = WrappedText::size(SystemNotice::text(message), Appearance::font(TextStyle::Caption), inner - 24);
        const int w = text.width() + 24;
        result.notice = QRect(RowPaddingH + (inner - w) / 2, 2, w, text.height() + 8);
        result.height = result.notice.height() + 4;
        return result;
    }
    const int columnMax = qMax(60, inner - AvatarSize - 8 - MinSideSpace);
    int y = 4;
    const int avatarX = isMine ? RowPaddingH + inner - AvatarSize : RowPaddingH;
    result.avatar = QRect(avatarX, y, AvatarSize, AvatarSize);
    auto place = [&](int w, int h) {
        const int x = isMine ? avatarX - 8 - w : avatarX + AvatarSize + 8;
        return QRect(x, y, w, h);
    };
    if (!isMine) {
        const QString name = message.senderName.value_or(QString());
        // Slack as for the cards: eliding measures glyph bearings too.
        const int w = qMin(columnMax, qCeil(QFontMetricsF(Appearance::font(TextStyle::Caption)).horizontalAdvance(name)) + 2);
        result.senderName = place(w, lineHeight(TextStyle::Caption));
        y += result.senderName.height() + ColumnSpacing;
    }
    QSize content = contentSize(message, columnMax);
    content.setWidth(qMin(content.width(), columnMax));
    result.content = place(content.width(), content.height());
    if (isMine && message.status == QStringLiteral("failed")) {
        // In the free space before the bubble (the row keeps at least 60 points there).
        result.failedMark = QRect(result.content.left() - 6 - FailedMarkSize,
            result.content.center().y() - FailedMarkSize / 2, FailedMarkSize, FailedMarkSize);
    }
    y += content.height() + ColumnSpacing;
    if (message.reactions && !message.reactions->isEmpty()) {
        const QFontMetrics emoji(chipEmojiFont());
        const QFontMetrics count(Appearance::font(TextStyle::Caption2));
        int w = 0;
        for (const ReactionChip& chip : reactionChips(*message.reactions))
            w += 12 + emoji.horizontalAdvance(chip.emoji) + 2 + count.horizontalAdvance(QString::number(chip.count)) + 4;
        result.reactions = place(qMin(columnMax, w - 4), ChipHeight);
        y += ChipHeight + ColumnSpacing;
    }
    result.footer = place(qMin(columnMax, 160), lineHeight(TextStyle::Caption2));
    y += result.footer.height();
    result.height = qMax(y, 4 + AvatarSize) + 4;
    return result;
}

QSize MessageBubble::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const MessageListModel*>(index.model());
    const int width = rowWidth(option);
    if (!model)
        return QSize(width, 0);
    if (model->isLoadMoreRow(index.row()))
        return QSize(width, LoadMoreHeight);
    if (const int cached = model->cachedHeight(index.row(), width); cached >= 0)
        return QSize(width, cached);
    const int height = layout(model->messageAt(index.row()), model->isMine(index.row()), width).height;
    model->cacheHeight(index.row(), width, height);
    return QSize(width, height);
}

void MessageBubble::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const MessageListModel*>(index.model());
    if (!model)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // The message the keyboard is on wears the focus ring around what it shows.
    const bool focused = option.state & QStyle::State_HasFocus;
    if (model->isLoadMoreRow(index.row())) {
        paintLoadMore(painter, option.rect);
        if (focused) {
            const int width = QFontMetrics(Appearance::font(TextStyle::Caption)).horizontalAdvance(Localized::text("chat.load_more")) + 24;
            FocusRing::paint(painter, QRectF(option.rect.center().x() - width / 2.0, option.rect.top() + 4, width, option.rect.height() - 8), 6);
        }
        painter->restore();
        return;
    }
    const Message& message = model->messageAt(index.row());
    const bool isMine = model->isMine(index.row());
    const Layout parts = layout(message, isMine, rowWidth(option));
    const QRect row = option.rect;
    if (focused) {
        const QRect shown = parts.kind == RowKind::Ordinary ? parts.content : parts.notice;
        FocusRing::paint(painter, QRectF(shown.translated(row.topLeft())).adjusted(-3, -3, 3, 3), 14);
    }
    switch (parts.kind) {
    case RowKind::Revoked:
        WrappedText::draw(painter, parts.notice.translated(row.topLeft()), revokedText(message, isMine),
            Appearance::font(TextStyle::Caption), Appearance::secondaryText(), Qt::AlignHCenter);
        break;
    case RowKind::System: {
        const QRect notice = parts.notice.translated(row.topLeft());
        painter->setPen(Qt::NoPen);
        painter->setBrush(secondaryFill());
        painter->drawRoundedRect(notice, 4, 4);
        WrappedText::draw(painter, notice.adjusted(12, 4, -12, -4), SystemNotice::text(message),
            Appearance::font(TextStyle::Caption), Appearance::secondaryText());
        break;
    }
    case RowKind::Ordinary:
        paintOrdinary(painter, parts, row, message, isMine);
        break;
    }
    painter->restore();
}

void MessageBubble::paintLoadMore(QPainter* painter, const QRect& row) const
{
    painter->setFont(Appearance::font(TextStyle::Caption));
    painter->setPen(Appearance::accent());
    painter->drawText(row, Qt::AlignCenter, Localized::text("chat.load_more"));
}

void MessageBubble::paintOrdinary(QPainter* painter, const Layout& parts, const QRect& row, const Message& message, bool isMine) const
{
    const QPoint origin = row.topLeft();
    AvatarView::paint(painter, QRectF(parts.avatar.translated(origin)), message.senderName.value_or(QString()), message.senderAvatar);
    if (!isMine) {
        painter->setFont(Appearance::font(TextStyle::Caption));
        painter->setPen(Appearance::secondaryText());
        painter->drawText(parts.senderName.translated(origin), Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(painter->font()).elidedText(message.senderName.value_or(QString()), Qt::ElideRight, parts.senderName.width()));
    }
    paintContent(painter, parts.content.translated(origin), message, isMine);
    if (!parts.failedMark.isNull()) {
        // A red disc with a white "!": the usual sign of a message that did not go out.
        const QRectF mark = QRectF(parts.failedMark.translated(origin));
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0xff, 0x3b, 0x30));
        painter->drawEllipse(mark);
        QFont bang = Appearance::font(TextStyle::Caption);
        bang.setBold(true);
        bang.setPixelSize(FailedMarkSize - 5);
        painter->setFont(bang);
        painter->setPen(Qt::white);
        painter->drawText(mark, Qt::AlignCenter, QStringLiteral("!"));
    }

    if (!parts.reactions.isNull()) {
        const QFont emojiFont = chipEmojiFont();
        const QFont countFont = Appearance::font(TextStyle::Caption2);
        const QRect area = parts.reactions.translated(origin);
        int x = area.left();
        for (const ReactionChip& chip : reactionChips(*message.reactions)) {
            const QString count = QString::number(chip.count);
            const int emojiWidth = QFontMetrics(emojiFont).horizontalAdvance(chip.emoji);
            const int w = 12 + emojiWidth + 2 + QFontMetrics(countFont).horizontalAdvance(count);
            const QRect capsule(x, area.top(), w, ChipHeight);
            painter->setPen(Qt::NoPen);
            painter->setBrush(secondaryFill());
            painter->drawRoundedRect(capsule, ChipHeight / 2.0, ChipHeight / 2.0);
            painter->setFont(emojiFont);
            painter->setPen(QApplication::palette().color(QPalette::Text));
            painter->drawText(QRect(x + 6, area.top(), emojiWidth, ChipHeight), Qt::AlignCenter, chip.emoji);
            painter->setFont(countFont);
            painter->setPen(Appearance::secondaryText());
            painter->drawText(QRect(x + 6 + emojiWidth + 2, area.top(), w, ChipHeight), Qt::AlignLeft | Qt::AlignVCenter, count);
            x += w + 4;
        }
    }

    // Footer: time, edited mark, delivery state; pushed to the bubble's outer edge.
    const QRect footer = parts.footer.translated(origin);
    QStringList texts;
    if (message.createdAt)
        texts << timeText(message.createdAt);
    if (message.editedAt)
        texts << QLatin1Char('(') + Localized::text("chat.edited") + QLatin1Char(')');
    const QString footerText = texts.join(QLatin1Char(' '));
    const QFont footerFont = Appearance::font(TextStyle::Caption2);
    const QFontMetrics metrics(footerFont);
    const auto icon = isMine ? statusIcon(message.status) : std::nullopt;
    const int iconSize = metrics.height() - 2;
    const int textWidth = metrics.horizontalAdvance(footerText);
    // The spacing of 4 lies between two pieces: an icon alone sits on the outer edge.
    const int total = textWidth + (icon ? (textWidth > 0 ? 4 : 0) + iconSize : 0);
    int x = isMine ? footer.right() + 1 - total : footer.left();
    painter->setFont(footerFont);
    painter->setPen(Appearance::secondaryText());
    painter->drawText(QRect(x, footer.top(), textWidth, footer.height()), Qt::AlignLeft | Qt::AlignVCenter, footerText);
    if (icon) {
        x += textWidth + (textWidth > 0 ? 4 : 0);
        painter->drawPixmap(QRect(x, footer.top() + 1, iconSize, iconSize),
            Icons::pixmap(icon->symbol, iconSize, icon->color, painter->device()->devicePixelRatioF()));
    }
}

void MessageBubble::paintContent(QPainter* painter, const QRect& rect, const Message& message, bool isMine) const
{
    const qreal dpr = painter->device()->devicePixelRatioF();
    if (isType(message, "image") || isType(message, "sticker")) {
        const bool sticker = isType(message, "sticker");
        const QUrl url = mediaUrl(message);
        ImageLoader& loader = ImageLoader::shared();
        if (url.isValid())
            loader.request(url, mediaBox(sticker) * dpr);
        const ImageLoader::State state = url.isValid() ? loader.state(url) : ImageLoader::State::Failed;
        if (state == ImageLoader::State::Loaded) {
            const QImage image = loader.image(url);
            QPainterPath clip;
            clip.addRoundedRect(rect, sticker ? 0 : 8, sticker ? 0 : 8);
            painter->save();
            painter->setClipPath(clip);
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            painter->drawImage(rect, image);
            painter->restore();
        } else if (sticker) {
            const int side = qMin(rect.width(), rect.height());
            painter->drawPixmap(QRect(rect.left(), rect.top(), side, side),
                Icons::pixmap(QStringLiteral("face.smiling"), 48, {}, dpr));
        } else {
            painter->setPen(Qt::NoPen);
            painter->setBrush(secondaryFill());
            painter->drawRoundedRect(rect, 8, 8);
            if (state == ImageLoader::State::Loading || state == ImageLoader::State::Idle) {
                drawSpinner(painter, rect);
            } else {
                QRect icon(0, 0, 26, 26);
                icon.moveCenter(rect.center());
                painter->drawPixmap(icon, Icons::pixmap(QStringLiteral("photo"), 26, Appearance::secondaryText(), dpr));
            }
        }
        return;
    }
    if (isType(message, "video")) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0, 0, 0, 204));
        painter->drawRoundedRect(rect, 8, 8);
        QRect icon(0, 0, 36, 36);
        icon.moveCenter(rect.center());
        painter->drawPixmap(icon, Icons::pixmap(QStringLiteral("play.circle.fill"), 36, Qt::white, dpr));
        return;
    }
    if (const auto parts = card(message)) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(Appearance::controlBackground());
        painter->drawRoundedRect(rect, 8, 8);
        const QRect inner = rect.adjusted(10, 10, -10, -10);
        painter->drawPixmap(QRect(inner.left(), inner.top() + (inner.height() - 24) / 2, 24, 24),
            Icons::pixmap(parts->symbol, 24, parts->tint, dpr));
        const QFont body = Appearance::font(TextStyle::Body);
        const QFont caption = Appearance::font(TextStyle::Caption);
        const int bodyHeight = QFontMetrics(body).height();
        const int textHeight = bodyHeight + (parts->subtitle.isEmpty() ? 0 : 2 + QFontMetrics(caption).height());
        // The texts are centred on the symbol, as the symbol is on them when they are taller.
        const QRect text(inner.left() + 24 + parts->spacing, inner.top() + (inner.height() - textHeight) / 2,
            inner.width() - 24 - parts->spacing, textHeight);
        painter->setFont(body);
        painter->setPen(QApplication::palette().color(QPalette::Text));
        painter->drawText(QRect(text.left(), text.top(), text.width(), bodyHeight), Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(body).elidedText(parts->title, Qt::ElideMiddle, text.width()));
        if (!parts->subtitle.isEmpty()) {
            painter->setFont(caption);
            painter->setPen(Appearance::secondaryText());
            painter->drawText(QRect(text.left(), text.top() + bodyHeight + 2, text.width(), QFontMetrics(caption).height()),
                Qt::AlignLeft | Qt::AlignVCenter, parts->subtitle);
        }
        return;
    }
    // Text, voice and every type this client does not know: a coloured bubble.
    painter->setPen(Qt::NoPen);
    painter->setBrush(isMine ? Appearance::accent() : Appearance::controlBackground());
    painter->drawRoundedRect(rect, 12, 12);
    const QColor foreground = isMine ? QColor(Qt::white) : QApplication::palette().color(QPalette::Text);
    QRect inner = rect.adjusted(12, 8, -12, -8);
    if (isType(message, "voice")) {
        painter->drawPixmap(QRect(inner.left(), inner.top(), 18, 18),
            Icons::pixmap(QStringLiteral("waveform"), 18, isMine ? QColor(Qt::white) : Appearance::accent(), dpr));
        inner.setLeft(inner.left() + 18 + 6);
    }
    WrappedText::draw(painter, inner, plainBubbleText(message), Appearance::font(TextStyle::Body), foreground);
}
