#include "network/NetworkConfig.h"
#include "views/chat/MessageBubble.h"
#include "views/chat/MessageListModel.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include "PaintLog.h"
#include "PainterState.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QStringListModel>
#include <QTest>

namespace {

Message message(qint64 id, const QString& type, std::optional<QString> content = std::nullopt)
{
    Message m;
    m.id = id;
    m.conversationId = 1;
    m.senderId = 7;
    m.type = type;
    m.content = std::move(content);
    m.status = QStringLiteral("sent");
    return m;
}

struct PaintedRow {
    MessageBubble::Layout parts;
    Painting painting;
};

// Paints one row as the chat list does, through its model: `isMine` makes the signed-in
// user the message's sender.
PaintedRow paintRow(const Message& m, bool isMine, QStyle::State state = QStyle::State_None, int width = 480)
{
    MessageListModel model(isMine ? m.senderId : m.senderId + 1);
    model.setMessages({ m });
    const MessageBubble bubble;
    PaintedRow row { bubble.layout(m, isMine, width), {} };
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, width, row.parts.height);
    option.state = state;
    row.painting = PaintLog::record(option.rect.size(), [&](QPainter* painter) { bubble.paint(painter, option, model.index(0)); });
    return row;
}

// The largest shape of that fill: an avatar's disc may share the bubble's blue.
std::optional<PaintedItem> shapeFilled(const Painting& painting, const QColor& brush)
{
    std::optional<PaintedItem> found;
    for (const PaintedItem& shape : painting.shapes()) {
        const qreal area = shape.rect.width() * shape.rect.height();
        if (shape.brush == brush && (!found || area > found->rect.width() * found->rect.height()))
            found = shape;
    }
    return found;
}

QColor secondaryAt(qreal opacity)
{
    QColor colour = Appearance::secondaryText();
    colour.setAlphaF(float(opacity));
    return colour;
}

bool near(qreal a, qreal b, qreal tolerance = 1.0) { return qAbs(a - b) <= tolerance; }

QString describe(const QRectF& rect) { return QDebug::toString(rect); }

bool roundedBy(const PaintedItem& shape, qreal radius)
{
    return near(shape.corner.width(), radius, 0.01) && near(shape.corner.height(), radius, 0.01);
}

QStringList entries(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("---") : action->text());
    return texts;
}

} // namespace

class TestMessageBubble : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        Appearance::install();
    }

    // A row that leaves the painter with a state saved and not restored spoils every row the
    // list paints after it.
    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("saved states|Unbalanced save")));
    }

    void fileSizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative") << qint64(-5) << QStringLiteral("-5 B");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("0 B");
        QTest::newRow("1023") << qint64(1023) << QStringLiteral("1023 B");
        QTest::newRow("1024") << qint64(1024) << QStringLiteral("1.0 K");
        QTest::newRow("1536") << qint64(1536) << QStringLiteral("1.5 K");
        QTest::newRow("1048575") << qint64(1048575) << QStringLiteral("1024.0 K");
        QTest::newRow("1048576") << qint64(1048576) << QStringLiteral("1.0 M");
        QTest::newRow("five gibibytes") << qint64(5) * 1024 * 1024 * 1024 << QStringLiteral("5120.0 M");
    }
    void fileSizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(MessageBubble::fileSizeText(bytes), text);
    }

    void timeText_data()
    {
        QTest::addColumn<std::optional<QString>>("createdAt");
        QTest::addColumn<QString>("expected");
        const QDateTime instant(QDate(2024, 5, 1), QTime(8, 9, 10), Qt::UTC);
        const QString local = instant.toLocalTime().toString(QStringLiteral("HH:mm"));
        QTest::newRow("fraction and Z") << std::optional(QStringLiteral("2024-05-01T08:09:10.123Z")) << local;
        QTest::newRow("whole seconds") << std::optional(QStringLiteral("2024-05-01T08:09:10Z")) << local;
        QTest::newRow("offset") << std::optional(QStringLiteral("2024-05-01T10:09:10+02:00")) << local;
        QTest::newRow("date only") << std::optional(QStringLiteral("2024-05-01")) << QString();
        QTest::newRow("no zone") << std::optional(QStringLiteral("2024-05-01T08:09:10")) << QString();
        QTest::newRow("not a date") << std::optional(QStringLiteral("yesterday")) << QString();
        QTest::newRow("empty") << std::optional(QString()) << QString();
        QTest::newRow("absent") << std::optional<QString>() << QString();
    }
    void timeText()
    {
        QFETCH(std::optional<QString>, createdAt);
        QFETCH(QString, expected);
        QCOMPARE(MessageBubble::timeText(createdAt), expected);
    }

    void statusIcon_data()
    {
        QTest::addColumn<std::optional<QString>>("status");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("blue");
        QTest::newRow("sending") << std::optional(QStringLiteral("sending")) << QStringLiteral("clock") << false;
        QTest::newRow("sent") << std::optional(QStringLiteral("sent")) << QStringLiteral("checkmark") << false;
        QTest::newRow("delivered") << std::optional(QStringLiteral("delivered")) << QStringLiteral("checkmark") << true;
        QTest::newRow("read") << std::optional(QStringLiteral("read")) << QStringLiteral("checkmark.circle.fill") << true;
        QTest::newRow("unknown") << std::optional(QStringLiteral("Sent")) << QString() << false;
        QTest::newRow("absent") << std::optional<QString>() << QString() << false;
    }
    void statusIcon()
    {
        QFETCH(std::optional<QString>, status);
        QFETCH(QString, symbol);
        QFETCH(bool, blue);
        const auto icon = MessageBubble::statusIcon(status);
        QCOMPARE(icon.has_value(), !symbol.isEmpty());
        if (icon) {
            QCOMPARE(icon->symbol, symbol);
            QCOMPARE(icon->color == Appearance::accent(), blue);
            QVERIFY(!Icons::icon(symbol).isNull());
        }
    }

    // The delivery marks must read as a bare tick and a round badge, not as a ticked checkbox.
    void statusIconShapes_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("filledBadge");
        QTest::newRow("checkmark") << QStringLiteral("checkmark") << false;
        QTest::newRow("checkmark.circle.fill") << QStringLiteral("checkmark.circle.fill") << true;
    }
    void statusIconShapes()
    {
        QFETCH(QString, symbol);
        QFETCH(bool, filledBadge);
        const QImage image = Icons::pixmap(symbol, 32, Appearance::accent()).toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128;
        const double coverage = double(opaque) / (32 * 32);
        // Every corner stays empty: a square plate behind the tick is what looked like a checkbox.
        for (const QPoint corner : { QPoint(1, 1), QPoint(30, 1), QPoint(1, 30), QPoint(30, 30) })
            QCOMPARE(qAlpha(image.pixel(corner)), 0);
        if (filledBadge)
            QVERIFY2(coverage > 0.6 && coverage < 0.85, qPrintable(QString::number(coverage)));
        else
            QVERIFY2(coverage < 0.3, qPrintable(QString::number(coverage)));
    }

    void reactionChipsCountAndOrderByCodePoint()
    {
        auto reaction = [](qint64 user, const QString& emoji) { return MessageReaction { 5, user, emoji, std::nullopt }; };
        const QString thumbs = QStringLiteral("\U0001F44D");
        const QString heart = QStringLiteral("\u2764\uFE0F");
        const QString fullwidth = QStringLiteral("\uFF01");
        const auto chips = MessageBubble::reactionChips(
            { reaction(1, thumbs), reaction(2, thumbs), reaction(2, thumbs), reaction(3, heart), reaction(4, fullwidth) });
        const QList<MessageBubble::ReactionChip> expected { { heart, 1 }, { fullwidth, 1 }, { thumbs, 3 } };
        QCOMPARE(chips, expected);
    }

    void rowKind_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<std::optional<QString>>("status");
        QTest::addColumn<bool>("revokedAt");
        QTest::addColumn<int>("kind");
        using K = MessageBubble::RowKind;
        QTest::newRow("revoked image by time") << QStringLiteral("image") << std::optional(QStringLiteral("sent")) << true << int(K::Revoked);
        QTest::newRow("revoked by status") << QStringLiteral("text") << std::optional(QStringLiteral("revoked")) << false << int(K::Revoked);
        QTest::newRow("revoked system") << QStringLiteral("system") << std::optional(QStringLiteral("revoked")) << false << int(K::Revoked);
        QTest::newRow("system") << QStringLiteral("system") << std::optional<QString>() << false << int(K::System);
        QTest::newRow("System is not system") << QStringLiteral("System") << std::optional<QString>() << false << int(K::Ordinary);
    }
    void rowKind()
    {
        QFETCH(QString, type);
        QFETCH(std::optional<QString>, status);
        QFETCH(bool, revokedAt);
        QFETCH(int, kind);
        Message m = message(1, type);
        m.status = status;
        if (revokedAt)
            m.revokedAt = QStringLiteral("2024-05-01T08:09:10Z");
        QCOMPARE(int(MessageBubble::rowKind(m)), kind);
    }

    // A row draws what its layout places: a system notice its capsule and text, a
    // picture still loading the spinner's arc over its placeholder.
    void rowDrawsWhereItsLayoutSays_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("system notice") << QStringLiteral("system");
        QTest::newRow("picture loading") << QStringLiteral("image");
    }
    void rowDrawsWhereItsLayoutSays()
    {
        QFETCH(QString, type);
        Message m = message(1, type, QStringLiteral("Ann joined"));
        if (type == u"image")
            m.fileUrl = QStringLiteral("http://127.0.0.1:1/picture.png");
        MessageListModel model(1);
        model.setMessages({ m });
        const MessageBubble bubble;
        const MessageBubble::Layout parts = bubble.layout(m, false, 480);
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 480, parts.height);
        QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            bubble.paint(&painter, option, model.index(0));
        }
        QRect region = parts.notice;
        if (type == u"image") {
            region = QRect(0, 0, 16, 16);
            region.moveCenter(parts.content.center());
        }
        QVERIFY(!region.isEmpty());
        // The placeholder's fill is faint; text and the arc are drawn in a mid grey.
        int darkest = 255;
        for (int y = region.top(); y <= region.bottom(); ++y) {
            for (int x = region.left(); x <= region.right(); ++x)
                darkest = qMin(darkest, qRed(image.pixel(x, y)));
        }
        QCOMPARE_LT(darkest, 200);
    }

    // A text or voice bubble: the avatar of 32 at the outer edge, 8 between it and the
    // bubble, the content padded 12 left and right and 8 above and below, blue with white
    // text for one's own messages; others' messages carry the sender's name above.
    void textBubbleGeometry_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("isMine");
        QTest::addColumn<QString>("shown");
        QTest::newRow("own text") << QStringLiteral("text") << true << QStringLiteral("hello there");
        QTest::newRow("other's text") << QStringLiteral("text") << false << QStringLiteral("hello there");
        QTest::newRow("unknown type") << QStringLiteral("Image") << false << QStringLiteral("hello there");
        QTest::newRow("own voice") << QStringLiteral("voice") << true << QStringLiteral("12\"");
        QTest::newRow("other's voice") << QStringLiteral("voice") << false << QStringLiteral("12\"");
    }
    void textBubbleGeometry()
    {
        QFETCH(QString, type);
        QFETCH(bool, isMine);
        QFETCH(QString, shown);
        const bool voice = type == u"voice";
        Message m = message(10, type, voice ? QStringLiteral("12") : QStringLiteral("hello there"));
        m.senderName = QStringLiteral("Ann");
        const int width = 480;
        const PaintedRow row = paintRow(m, isMine, QStyle::State_None, width);
        const Painting& p = row.painting;

        const auto bubble = shapeFilled(p, isMine ? Appearance::accent() : Appearance::controlBackground());
        QVERIFY(bubble);
        const auto text = p.text(shown);
        QVERIFY2(text, qPrintable(p.allText()));
        QCOMPARE(text->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
        QCOMPARE(text->pen, isMine ? QColor(Qt::white) : QApplication::palette().color(QPalette::Text));
        QVERIFY2(bubble->rect.contains(text->rect), qPrintable(describe(text->rect) + describe(bubble->rect)));
        QVERIFY2(roundedBy(*bubble, 12), qPrintable(QDebug::toString(bubble->corner)));
        // 12 on either side of the text (and the waveform with its 6 of spacing).
        qreal lead = text->rect.left() - bubble->rect.left();
        if (voice) {
            std::optional<PaintedItem> wave;
            for (const PaintedItem& picture : p.pictures()) {
                if (bubble->rect.contains(picture.rect))
                    wave = picture;
            }
            QVERIFY(wave);
            QVERIFY2(near(wave->rect.left() - bubble->rect.left(), 12, 0.5), qPrintable(describe(wave->rect)));
            QVERIFY2(near(text->rect.left() - wave->rect.right(), 6, 0.5), qPrintable(describe(wave->rect)));
            lead = 12;
        }
        QVERIFY2(near(lead, 12, 0.5), qPrintable(QString::number(lead)));
        const qreal trail = bubble->rect.right() - text->rect.right();
        QVERIFY2(trail >= 12 - 0.01 && trail < 13, qPrintable(QString::number(trail)));
        const qreal line = QFontMetricsF(text->font).height();
        QVERIFY2(near(bubble->rect.height() - line, 16), qPrintable(QString::number(bubble->rect.height())));

        // The avatar: a 32-point disc, 4 below the row's top, at the outer edge (the list's
        // default padding of 16), 8 from the bubble.
        std::optional<PaintedItem> avatar;
        for (const PaintedItem& shape : p.shapes()) {
            if (shape.rect.size() == QSizeF(32, 32))
                avatar = shape;
        }
        QVERIFY(avatar);
        QCOMPARE(avatar->rect.top(), 4.0);
        QVERIFY(p.text(QStringLiteral("A")));
        if (isMine) {
            QCOMPARE(avatar->rect.right(), width - 16.0);
            QVERIFY2(near(avatar->rect.left() - bubble->rect.right(), 8, 0.5), qPrintable(describe(bubble->rect)));
        } else {
            QCOMPARE(avatar->rect.left(), 16.0);
            QVERIFY2(near(bubble->rect.left() - avatar->rect.right(), 8, 0.5), qPrintable(describe(bubble->rect)));
        }

        // Others' messages: the name in caption, secondary, on the bubble's leading edge,
        // 2 above it; own messages start with the bubble, level with the avatar.
        const auto name = p.text(QStringLiteral("Ann"));
        QCOMPARE(name.has_value(), !isMine);
        if (name) {
            QCOMPARE(name->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(name->pen, Appearance::secondaryText());
            QVERIFY2(near(name->rect.left(), bubble->rect.left(), 0.5), qPrintable(describe(name->rect)));
            QVERIFY2(near(bubble->rect.top() - 4, QFontMetricsF(name->font).height() + 2), qPrintable(describe(bubble->rect)));
        } else {
            QCOMPARE(bubble->rect.top(), 4.0);
        }
        // Nothing spills out of the row, which ends 4 below the lower of avatar and column.
        for (const PaintedItem& item : p.items)
            QVERIFY2(QRectF(0, 0, width, row.parts.height).contains(item.rect), qPrintable(item.text + describe(item.rect)));
    }

    // The footer under the content: time and edited mark in caption 2, secondary, then for
    // one's own message the delivery mark 4 further; at the bubble's outer edge.
    void footerFollowsTheBubble_data()
    {
        QTest::addColumn<bool>("isMine");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("timed");
        QTest::newRow("own") << true << false << true;
        QTest::newRow("own, edited") << true << true << true;
        QTest::newRow("own, no time") << true << false << false;
        QTest::newRow("other's") << false << false << true;
        QTest::newRow("other's, edited") << false << true << true;
    }
    void footerFollowsTheBubble()
    {
        QFETCH(bool, isMine);
        QFETCH(bool, edited);
        QFETCH(bool, timed);
        Message m = message(10, QStringLiteral("text"), QStringLiteral("hello there"));
        if (timed)
            m.createdAt = QStringLiteral("2024-05-01T08:09:10Z");
        if (edited)
            m.editedAt = QStringLiteral("2024-05-01T08:10:10Z");
        const PaintedRow row = paintRow(m, isMine);
        const Painting& p = row.painting;
        const auto bubble = shapeFilled(p, isMine ? Appearance::accent() : Appearance::controlBackground());
        QVERIFY(bubble);
        if (!timed) {
            // The tick alone, on the bubble's trailing edge, with no spacing before nothing.
            QCOMPARE(p.pictures().size(), 1);
            QVERIFY2(near(p.pictures().first().rect.right(), bubble->rect.right(), 0.5), qPrintable(describe(p.pictures().first().rect)));
            return;
        }
        const QString time = MessageBubble::timeText(m.createdAt);
        const auto footer = p.text(time);
        QVERIFY2(footer, qPrintable(p.allText()));
        QCOMPARE(footer->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
        QCOMPARE(footer->pen, Appearance::secondaryText());
        QCOMPARE(p.text(QStringLiteral("(") + Localized::text("chat.edited") + QStringLiteral(")")).has_value(), edited);
        QVERIFY2(footer->rect.top() >= bubble->rect.bottom() + 2 - 0.5, qPrintable(describe(footer->rect)));
        QVERIFY2(footer->rect.bottom() <= row.parts.height - 4 + 0.5, qPrintable(describe(footer->rect)));
        const QList<PaintedItem> pictures = p.pictures();
        if (isMine) {
            // "sent": the grey tick, level with the time, its right edge on the bubble's.
            QCOMPARE(pictures.size(), 1);
            const PaintedItem tick = pictures.first();
            QVERIFY2(near(tick.rect.right(), bubble->rect.right(), 0.5), qPrintable(describe(tick.rect)));
            QVERIFY2(near(tick.rect.center().y(), footer->rect.center().y(), 2), qPrintable(describe(tick.rect)));
            qreal end = footer->rect.right();
            for (const PaintedItem& item : p.texts()) {
                if (item.font.pixelSize() == footer->font.pixelSize() && item.rect.top() == footer->rect.top())
                    end = qMax(end, item.rect.right());
            }
            QVERIFY2(near(tick.rect.left() - end, 4), qPrintable(describe(tick.rect)));
        } else {
            QVERIFY(pictures.isEmpty());
            QVERIFY2(near(footer->rect.left(), bubble->rect.left(), 0.5), qPrintable(describe(footer->rect)));
        }
    }

    // Reactions between the content and the footer: one chip per emoji, in code-point
    // order, 4 apart; each chip the emoji and its count 2 apart, padded 6 left and right, on
    // a capsule of the secondary colour at opacity 0.1; the count in caption 2, secondary.
    void reactionChipsGeometry()
    {
        Message m = message(10, QStringLiteral("text"), QStringLiteral("hello there"));
        m.createdAt = QStringLiteral("2024-05-01T08:09:10Z");
        const QString thumbs = QStringLiteral("\U0001F44D");
        const QString heart = QStringLiteral("\u2764\uFE0F");
        m.reactions = QList<MessageReaction> { { 10, 1, thumbs, std::nullopt }, { 10, 2, thumbs, std::nullopt }, { 10, 3, heart, std::nullopt } };
        const PaintedRow row = paintRow(m, false);
        const Painting& p = row.painting;
        const auto bubble = shapeFilled(p, Appearance::controlBackground());
        QVERIFY(bubble);
        QList<PaintedItem> capsules;
        for (const PaintedItem& shape : p.shapes()) {
            if (shape.brush.rgb() == Appearance::secondaryText().rgb() && near(shape.brush.alphaF(), 0.1, 0.01))
                capsules << shape;
        }
        QCOMPARE(capsules.size(), 2);
        // The variation selector may come as a text of its own, of no width.
        const auto heartText = p.text(QStringLiteral("\u2764"));
        const auto thumbsText = p.text(thumbs);
        const auto two = p.text(QStringLiteral("2"));
        const auto one = p.text(QStringLiteral("1"));
        QVERIFY2(heartText && thumbsText && two && one, qPrintable(p.allText()));
        QVERIFY2(heartText->rect.left() < thumbsText->rect.left(), "code-point order");
        QVERIFY(capsules[0].rect.contains(heartText->rect.center()) && capsules[0].rect.contains(one->rect.center()));
        QVERIFY(capsules[1].rect.contains(thumbsText->rect.center()) && capsules[1].rect.contains(two->rect.center()));
        for (const PaintedItem& capsule : capsules) {
            QVERIFY2(roundedBy(capsule, capsule.rect.height() / 2), qPrintable(QDebug::toString(capsule.corner)));
            QVERIFY2(!capsule.pen.isValid(), "a capsule with no outline");
        }
        QVERIFY2(near(capsules[1].rect.left() - capsules[0].rect.right(), 4, 0.5), qPrintable(describe(capsules[1].rect)));
        QVERIFY2(near(capsules[0].rect.left(), bubble->rect.left(), 0.5), qPrintable(describe(capsules[0].rect)));
        QVERIFY2(capsules[0].rect.top() >= bubble->rect.bottom() + 2 - 0.5, qPrintable(describe(capsules[0].rect)));
        const auto time = p.text(MessageBubble::timeText(m.createdAt));
        QVERIFY(time);
        QVERIFY2(time->rect.top() >= capsules[0].rect.bottom() + 2 - 0.5, qPrintable(describe(time->rect)));
        for (const auto& [capsule, emoji, count] : { std::tuple(capsules[0], *heartText, *one), std::tuple(capsules[1], *thumbsText, *two) }) {
            QCOMPARE(count.font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
            QCOMPARE(count.pen, Appearance::secondaryText());
            QVERIFY2(near(emoji.rect.left() - capsule.rect.left(), 6), qPrintable(describe(emoji.rect) + describe(capsule.rect)));
            QVERIFY2(near(count.rect.left() - emoji.rect.right(), 2), qPrintable(describe(count.rect)));
            QVERIFY2(near(capsule.rect.right() - count.rect.right(), 6), qPrintable(describe(count.rect) + describe(capsule.rect)));
            QVERIFY2(near(capsule.rect.center().y(), count.rect.center().y(), 2), qPrintable(describe(count.rect)));
        }
    }

    // Media without a bubble: a video is a 200 by 120 plate of black at 0.8 with the play
    // symbol of 36 in its middle; a picture that cannot load a 120 by 80 placeholder with the
    // photo symbol in its middle, and one still loading the spinner's arc there instead.
    void mediaPlates_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QColor>("fill");
        QTest::addColumn<QSize>("plate");
        QTest::addColumn<QSize>("symbol");
        QTest::newRow("video") << QStringLiteral("video") << QString() << QColor(0, 0, 0, 204) << QSize(200, 120) << QSize(36, 36);
        QTest::newRow("picture without address") << QStringLiteral("image") << QString() << secondaryAt(0.1) << QSize(120, 80) << QSize(26, 26);
        QTest::newRow("picture loading") << QStringLiteral("image") << QStringLiteral("http://127.0.0.1:1/picture.png") << secondaryAt(0.1) << QSize(120, 80) << QSize();
        // A chat 300 wide leaves the column 300 - 16 - 32 - 8 - 60 - 16 = 168: the plate keeps to it.
        QTest::newRow("video, narrow chat") << QStringLiteral("video") << QString() << QColor(0, 0, 0, 204) << QSize(168, 120) << QSize(36, 36);
    }
    void mediaPlates()
    {
        QFETCH(QString, type);
        QFETCH(QString, address);
        QFETCH(QColor, fill);
        QFETCH(QSize, plate);
        QFETCH(QSize, symbol);
        Message m = message(10, type);
        if (!address.isEmpty())
            m.fileUrl = address;
        const bool narrow = QByteArray(QTest::currentDataTag()).contains("narrow");
        const PaintedRow row = paintRow(m, false, QStyle::State_None, narrow ? 300 : 480);
        const Painting& p = row.painting;
        std::optional<PaintedItem> shown;
        for (const PaintedItem& shape : p.shapes()) {
            if (shape.brush.rgb() == fill.rgb() && shape.brush.alpha() == qRound(fill.alphaF() * 255))
                shown = shape;
        }
        QVERIFY(shown);
        QCOMPARE(shown->rect.size(), QSizeF(plate));
        QVERIFY2(roundedBy(*shown, 8), qPrintable(QDebug::toString(shown->corner)));
        QVERIFY2(!shown->pen.isValid(), "no outline");
        QVERIFY2(near(shown->rect.left(), 16 + 32 + 8, 0.5), qPrintable(describe(shown->rect)));
        if (symbol.isValid()) {
            QCOMPARE(p.pictures().size(), 1);
            const PaintedItem picture = p.pictures().first();
            QCOMPARE(picture.rect.size(), QSizeF(symbol));
            QVERIFY2(near(picture.rect.center().x(), shown->rect.center().x()) && near(picture.rect.center().y(), shown->rect.center().y()),
                qPrintable(describe(picture.rect)));
        } else {
            // The arc: an outline in the secondary colour, no fill, in the plate's middle.
            std::optional<PaintedItem> arc;
            for (const PaintedItem& shape : p.shapes()) {
                if (shape.pen == Appearance::secondaryText())
                    arc = shape;
            }
            QVERIFY(arc);
            QVERIFY(!arc->brush.isValid());
            QVERIFY2(shown->rect.contains(arc->rect) && near(arc->rect.center().x(), shown->rect.center().x(), 2), qPrintable(describe(arc->rect)));
        }
    }

    // File, location and contact cards: the symbol and the texts padded 10 on every side of a
    // plate of the control background, centred on each other, the texts 10 after the symbol
    // on a file card and 8 on the others; a file's size under its name in caption, secondary.
    void cardGeometry_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<qreal>("spacing");
        QTest::newRow("file") << QStringLiteral("file") << QString() << QStringLiteral("report.pdf") << QStringLiteral("2.0 K") << 10.0;
        QTest::newRow("location") << QStringLiteral("location") << QStringLiteral("{\"name\":\"Harbour\"}") << QStringLiteral("Harbour") << QString() << 8.0;
        QTest::newRow("location not JSON") << QStringLiteral("location") << QStringLiteral("Harbour") << Localized::text("input.location") << QString() << 8.0;
        QTest::newRow("contact card") << QStringLiteral("contact_card") << QStringLiteral("{\"name\":\"Bo\"}") << QStringLiteral("Bo") << QString() << 8.0;
    }
    void cardGeometry()
    {
        QFETCH(QString, type);
        QFETCH(QString, content);
        QFETCH(QString, title);
        QFETCH(QString, subtitle);
        QFETCH(qreal, spacing);
        Message m = message(10, type, content.isEmpty() ? std::nullopt : std::optional(content));
        if (type == u"file") {
            m.fileName = title;
            m.fileSize = 2048;
        }
        const PaintedRow row = paintRow(m, false);
        const Painting& p = row.painting;
        const auto plate = shapeFilled(p, Appearance::controlBackground());
        QVERIFY(plate);
        QVERIFY2(roundedBy(*plate, 8), qPrintable(QDebug::toString(plate->corner)));
        QCOMPARE(p.pictures().size(), 1);
        const PaintedItem symbol = p.pictures().first();
        const auto name = p.text(title);
        QVERIFY2(name, qPrintable(p.allText()));
        QCOMPARE(name->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
        QCOMPARE(name->pen, QApplication::palette().color(QPalette::Text));
        QVERIFY2(near(symbol.rect.left() - plate->rect.left(), 10, 0.5), qPrintable(describe(symbol.rect)));
        QVERIFY2(near(name->rect.left() - symbol.rect.right(), spacing, 0.5), qPrintable(describe(name->rect)));
        QVERIFY2(plate->rect.right() - name->rect.right() >= 10 - 0.01, qPrintable(describe(name->rect)));
        QVERIFY2(near(symbol.rect.center().y(), plate->rect.center().y(), 1), qPrintable(describe(symbol.rect)));
        const auto size = subtitle.isEmpty() ? std::nullopt : p.text(subtitle);
        QCOMPARE(size.has_value(), !subtitle.isEmpty());
        if (size) {
            QCOMPARE(size->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(size->pen, Appearance::secondaryText());
            QVERIFY2(near(size->rect.left(), name->rect.left(), 0.5), qPrintable(describe(size->rect)));
            QVERIFY2(size->rect.top() > name->rect.bottom(), qPrintable(describe(size->rect)));
        }
        const QRectF block(name->rect.left(), name->rect.top(), name->rect.width(), (size ? size->rect.bottom() : name->rect.bottom()) - name->rect.top());
        QVERIFY2(near(block.center().y(), symbol.rect.center().y(), 1), qPrintable(describe(block) + describe(symbol.rect)));
        const QRectF taller = block.height() > symbol.rect.height() ? block : symbol.rect;
        QVERIFY2(near(taller.top() - plate->rect.top(), 10, 0.75) && near(plate->rect.bottom() - taller.bottom(), 10, 0.75),
            qPrintable(describe(taller) + describe(plate->rect)));
    }

    // A card whose name is empty is its symbol with the padding and spacing around it
    // (give or take the slack a name gets against its glyphs' bearings).
    void cardWithAnEmptyName()
    {
        const PaintedRow row = paintRow(message(10, QStringLiteral("location"), QStringLiteral("{\"name\":\"\"}")), false);
        const auto plate = shapeFilled(row.painting, Appearance::controlBackground());
        QVERIFY(plate);
        QVERIFY2(plate->rect.width() >= 10 + 24 + 8 + 10 && plate->rect.width() <= 10 + 24 + 8 + 10 + 2, qPrintable(describe(plate->rect)));
    }

    // The notices: a system notice centred in caption, secondary, padded 12 left and right
    // and 4 above and below on a faint plate with 2 around; a revocation centred with 4
    // above and below and no plate.
    void noticeGeometry_data()
    {
        QTest::addColumn<bool>("system");
        QTest::newRow("system") << true;
        QTest::newRow("revoked") << false;
    }
    void noticeGeometry()
    {
        QFETCH(bool, system);
        Message m = message(10, system ? QStringLiteral("system") : QStringLiteral("text"), QStringLiteral("Ann joined"));
        if (!system)
            m.revokedAt = QStringLiteral("2024-05-01T08:09:10Z");
        const int width = 480;
        const PaintedRow row = paintRow(m, true, QStyle::State_None, width);
        const Painting& p = row.painting;
        const QString shown = system ? QStringLiteral("Ann joined") : Localized::text("chat.revoked_mine");
        const auto text = p.text(shown);
        QVERIFY2(text, qPrintable(p.allText()));
        QCOMPARE(text->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(text->pen, Appearance::secondaryText());
        QVERIFY2(near(text->rect.center().x(), width / 2.0, 1), qPrintable(describe(text->rect)));
        const qreal line = QFontMetricsF(text->font).height();
        const auto plate = shapeFilled(p, secondaryAt(26 / 255.0));
        QCOMPARE(plate.has_value(), system);
        QVERIFY(p.pictures().isEmpty());
        if (system) {
            QCOMPARE(p.shapes().size(), 1);
            QVERIFY2(roundedBy(*plate, 4), qPrintable(QDebug::toString(plate->corner)));
            QVERIFY2(plate->rect.contains(text->rect), qPrintable(describe(plate->rect)));
            QVERIFY2(near(plate->rect.width() - text->rect.width(), 24), qPrintable(describe(plate->rect)));
            QVERIFY2(near(plate->rect.height() - line, 8), qPrintable(describe(plate->rect)));
            QVERIFY2(near(text->rect.left() - plate->rect.left(), 12, 0.5), qPrintable(describe(text->rect)));
            QCOMPARE(plate->rect.top(), 2.0);
            QCOMPARE(row.parts.height, qRound(plate->rect.bottom()) + 2);
        } else {
            QVERIFY(p.shapes().isEmpty());
            QVERIFY2(near(row.parts.height - line, 8), qPrintable(QString::number(row.parts.height)));
            QVERIFY2(near(text->rect.top(), 4, 0.5), qPrintable(describe(text->rect)));
        }
    }

    // The message the keyboard is on wears the focus ring around its bubble; others none.
    void focusRingAroundTheBubble_data()
    {
        QTest::addColumn<bool>("focused");
        QTest::newRow("focused") << true;
        QTest::newRow("not focused") << false;
    }
    void focusRingAroundTheBubble()
    {
        QFETCH(bool, focused);
        const PaintedRow row = paintRow(message(10, QStringLiteral("text"), QStringLiteral("hello")), false,
            focused ? QStyle::State_HasFocus : QStyle::State_None);
        std::optional<PaintedItem> ring;
        for (const PaintedItem& shape : row.painting.shapes()) {
            if (shape.pen == Appearance::focusRing())
                ring = shape;
        }
        QCOMPARE(ring.has_value(), focused);
        if (ring) {
            const auto bubble = shapeFilled(row.painting, Appearance::controlBackground());
            QVERIFY(bubble);
            QVERIFY2(ring->rect.contains(bubble->rect) && ring->rect.width() - bubble->rect.width() <= 8, qPrintable(describe(ring->rect)));
        }
    }

    // An own message that did not go out: a red disc with a white "!" just before the
    // bubble, level with it.
    void failedMarkBesideTheBubble_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("isMine");
        QTest::addColumn<bool>("mark");
        QTest::newRow("own, failed") << QStringLiteral("failed") << true << true;
        QTest::newRow("own, sent") << QStringLiteral("sent") << true << false;
        QTest::newRow("other's, failed") << QStringLiteral("failed") << false << false;
    }
    void failedMarkBesideTheBubble()
    {
        QFETCH(QString, status);
        QFETCH(bool, isMine);
        QFETCH(bool, mark);
        Message m = message(-3, QStringLiteral("text"), QStringLiteral("hello"));
        m.status = status;
        const PaintedRow row = paintRow(m, isMine);
        const auto disc = shapeFilled(row.painting, QColor(0xff, 0x3b, 0x30));
        QCOMPARE(disc.has_value(), mark);
        const auto bang = row.painting.text(QStringLiteral("!"));
        QCOMPARE(bang.has_value(), mark);
        if (mark) {
            const auto bubble = shapeFilled(row.painting, Appearance::accent());
            QVERIFY(bubble);
            QVERIFY2(disc->rect.right() < bubble->rect.left() && bubble->rect.left() - disc->rect.right() <= 8, qPrintable(describe(disc->rect)));
            QVERIFY2(near(disc->rect.center().y(), bubble->rect.center().y(), 1), qPrintable(describe(disc->rect)));
            QCOMPARE(bang->pen, QColor(Qt::white));
            QVERIFY(bang->font.bold());
            QVERIFY2(disc->rect.contains(bang->rect.center()), qPrintable(describe(bang->rect)));
        }
    }

    // The load-more row: its text in caption, accent, in the middle of the row; when the
    // keyboard is on it, the focus ring encloses the text with a margin, centred on it.
    void loadMoreRow_data()
    {
        QTest::addColumn<bool>("focused");
        QTest::newRow("not focused") << false;
        QTest::newRow("focused") << true;
    }
    void loadMoreRow()
    {
        QFETCH(bool, focused);
        QList<Message> many;
        for (int i = 1; i <= 50; ++i)
            many << message(i, QStringLiteral("text"), QStringLiteral("m"));
        MessageListModel model(1);
        model.setMessages(many);
        QVERIFY(model.isLoadMoreRow(0));
        const MessageBubble bubble;
        QStyleOptionViewItem option;
        option.rect = QRect(QPoint(0, 0), bubble.sizeHint(option, model.index(0)));
        option.rect.setWidth(480);
        option.state = focused ? QStyle::State_HasFocus : QStyle::State_None;
        const Painting p = PaintLog::record(option.rect.size(), [&](QPainter* painter) { bubble.paint(painter, option, model.index(0)); });
        const auto text = p.text(Localized::text("chat.load_more"));
        QVERIFY2(text, qPrintable(p.allText()));
        QCOMPARE(text->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(text->pen, Appearance::accent());
        QVERIFY2(near(text->rect.center().x(), 240, 1), qPrintable(describe(text->rect)));
        // 8 above and below its line.
        QVERIFY2(option.rect.height() >= QFontMetricsF(text->font).height() + 16 - 1, qPrintable(QString::number(option.rect.height())));
        std::optional<PaintedItem> ring;
        for (const PaintedItem& shape : p.shapes()) {
            if (shape.pen == Appearance::focusRing())
                ring = shape;
        }
        QCOMPARE(ring.has_value(), focused);
        if (ring) {
            QVERIFY2(ring->rect.contains(text->rect) && QRectF(option.rect).contains(ring->rect), qPrintable(describe(ring->rect)));
            QVERIFY2(ring->rect.width() - text->rect.width() >= 8, qPrintable(describe(ring->rect)));
            QVERIFY2(near(ring->rect.center().x(), text->rect.center().x(), 1), qPrintable(describe(ring->rect)));
            // As far from the row's top as from its bottom, and clear of both.
            QVERIFY2(near(ring->rect.top(), option.rect.height() - ring->rect.bottom(), 0.5) && ring->rect.top() >= 2,
                qPrintable(describe(ring->rect)));
        }
    }

    // However long, a text is shown whole: a word longer than the column breaks inside the
    // bubble, and a message of thousands of lines makes a bubble as tall as they are.
    void longTextStaysInItsBubble_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines"); // at least
        QTest::newRow("one long word") << QString(400, QLatin1Char('x')) << 2;
        QTest::newRow("six thousand lines") << QStringLiteral("line\n").repeated(5999) + QStringLiteral("line") << 6000;
    }
    void longTextStaysInItsBubble()
    {
        QFETCH(QString, text);
        QFETCH(int, lines);
        const PaintedRow row = paintRow(message(10, QStringLiteral("text"), text), true);
        const auto bubble = shapeFilled(row.painting, Appearance::accent());
        QVERIFY(bubble);
        const QFont body = Appearance::font(Appearance::TextStyle::Body);
        QVERIFY2(bubble->rect.height() - 16 >= lines * QFontMetricsF(body).height() - 1, qPrintable(describe(bubble->rect)));
        QVERIFY2(bubble->rect.left() >= 16 + 60 - 0.5, qPrintable(describe(bubble->rect)));
        for (const PaintedItem& item : row.painting.texts()) {
            if (item.font.pixelSize() == body.pixelSize())
                QVERIFY2(bubble->rect.contains(item.rect), qPrintable(describe(item.rect)));
        }
    }

    // A sticker with no picture to show: the smiling face alone, with no plate behind it.
    void stickerWithoutPictureShowsTheFace()
    {
        const PaintedRow row = paintRow(message(10, QStringLiteral("sticker")), false);
        QCOMPARE(row.painting.pictures().size(), 1);
        const PaintedItem face = row.painting.pictures().first();
        QCOMPARE(face.rect.width(), face.rect.height());
        QVERIFY2(face.rect.width() >= 48, qPrintable(describe(face.rect)));
        QVERIFY2(near(face.rect.left(), 16 + 32 + 8, 0.5), qPrintable(describe(face.rect)));
        for (const PaintedItem& shape : row.painting.shapes())
            QCOMPARE(shape.rect.size(), QSizeF(32, 32)); // the avatar's disc only
    }

    // A text message with nothing to show is its padding alone: 12 either side of no text,
    // 8 above and below one line.
    void emptyTextBubbleIsItsPadding_data()
    {
        QTest::addColumn<std::optional<QString>>("content");
        QTest::addColumn<bool>("isMine");
        QTest::newRow("absent, own") << std::optional<QString>() << true;
        QTest::newRow("empty, other's") << std::optional<QString>(QString()) << false;
    }
    void emptyTextBubbleIsItsPadding()
    {
        QFETCH(std::optional<QString>, content);
        QFETCH(bool, isMine);
        const PaintedRow row = paintRow(message(10, QStringLiteral("text"), content), isMine);
        // The avatar's disc, as large, may share the bubble's colour.
        std::optional<PaintedItem> bubble;
        for (const PaintedItem& shape : row.painting.shapes()) {
            if (shape.brush == (isMine ? Appearance::accent() : Appearance::controlBackground()) && shape.rect != QRectF(row.parts.avatar))
                bubble = shape;
        }
        QVERIFY(bubble);
        QCOMPARE(bubble->rect.width(), 24.0);
        const qreal line = QFontMetricsF(Appearance::font(Appearance::TextStyle::Body)).height();
        QVERIFY2(near(bubble->rect.height() - line, 16), qPrintable(describe(bubble->rect)));
    }

    // The list paints all its rows with one painter: whatever a row shows, it leaves the
    // painter's pen, brush and font as it found them.
    void rowLeavesThePainterAsFound_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("focused");
        QTest::newRow("text with reactions") << QStringLiteral("text") << QStringLiteral("read") << false;
        QTest::newRow("failed, focused") << QStringLiteral("text") << QStringLiteral("failed") << true;
        QTest::newRow("revoked") << QStringLiteral("text") << QStringLiteral("revoked") << false;
        QTest::newRow("system") << QStringLiteral("system") << QStringLiteral("sent") << false;
        QTest::newRow("file card") << QStringLiteral("file") << QStringLiteral("sent") << false;
        QTest::newRow("video") << QStringLiteral("video") << QStringLiteral("sent") << false;
        QTest::newRow("load more") << QString() << QString() << false;
        QTest::newRow("load more, focused") << QString() << QString() << true;
    }
    void rowLeavesThePainterAsFound()
    {
        QFETCH(QString, type);
        QFETCH(QString, status);
        QFETCH(bool, focused);
        QList<Message> messages;
        if (type.isEmpty()) {
            for (int i = 1; i <= 50; ++i)
                messages << message(i, QStringLiteral("text"), QStringLiteral("m"));
        } else {
            Message m = message(10, type, QStringLiteral("hello"));
            m.status = status;
            m.fileSize = 2048;
            m.createdAt = QStringLiteral("2024-05-01T08:30:00Z");
            m.reactions = QList<MessageReaction> { { 10, 1, QStringLiteral("\u2764\uFE0F"), std::nullopt } };
            messages << m;
        }
        MessageListModel model(7);
        model.setMessages(messages);
        QCOMPARE(model.isLoadMoreRow(0), type.isEmpty());
        const MessageBubble bubble;
        QStyleOptionViewItem option;
        option.rect = QRect(QPoint(0, 0), bubble.sizeHint(option, model.index(0)));
        option.rect.setWidth(480);
        option.state = focused ? QStyle::State_HasFocus : QStyle::State_None;
        QCOMPARE(testsupport::painterLeftChanged(&bubble, option, model.index(0)), QString());
    }

    // A row of a model the delegate cannot read takes no room and shows nothing.
    void foreignRowTakesNoRoom()
    {
        QStringListModel other({ QStringLiteral("hello") });
        const MessageBubble bubble;
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 480, 40);
        QCOMPARE(bubble.sizeHint(option, other.index(0)), QSize(480, 0));
        const Painting p = PaintLog::record(option.rect.size(), [&](QPainter* painter) { bubble.paint(painter, option, other.index(0)); });
        QVERIFY(p.items.isEmpty());
    }

    void revokedTextOfOthersWithoutName()
    {
        Message m = message(1, QStringLiteral("text"));
        QCOMPARE(MessageBubble::revokedText(m, false), Localized::text("chat.revoked_other"));
        m.senderName = QStringLiteral("Ann");
        QCOMPARE(MessageBubble::revokedText(m, false), QStringLiteral("Ann") + Localized::text("chat.revoked_other"));
        QCOMPARE(MessageBubble::revokedText(m, true), Localized::text("chat.revoked_mine"));
    }

    // Names are measured and then drawn elided to the measured width; a measure that is
    // a pixel short turns "Alice Chen" into "Alice Ch…".
    void senderNameFitsItsSlot_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : { "Alice Chen", "Bob Smith", "Lin Wei", "Nguyễn Thị Minh Khai" })
            QTest::newRow(name) << QString::fromUtf8(name);
        QTest::newRow("cjk") << QStringLiteral("张三丰");
    }
    void senderNameFitsItsSlot()
    {
        QFETCH(QString, name);
        Message message;
        message.id = 1;
        message.type = QStringLiteral("text");
        message.content = QStringLiteral("hi");
        message.senderName = name;
        const MessageBubble bubble;
        const MessageBubble::Layout parts = bubble.layout(message, false, 700);
        const QFontMetrics metrics(Appearance::font(Appearance::TextStyle::Caption));
        QCOMPARE(metrics.elidedText(name, Qt::ElideRight, parts.senderName.width()), name);
    }

    // Line breaks typed with Shift+Return (or arriving from another client as CR LF)
    // keep their lines; an empty line between two counts as a line of its own.
    void textBubbleKeepsLineBreaks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        QTest::newRow("one line") << QStringLiteral("line one") << 1;
        QTest::newRow("line feed") << QStringLiteral("line one\nline two") << 2;
        QTest::newRow("cr lf") << QStringLiteral("line one\r\nline two") << 2;
        QTest::newRow("empty line kept") << QStringLiteral("a\n\nb") << 3;
        QTest::newRow("system notice") << QStringLiteral("joined\nleft") << 2;
    }
    void textBubbleKeepsLineBreaks()
    {
        QFETCH(QString, text);
        QFETCH(int, lines);
        const bool system = QTest::currentDataTag() == QByteArray("system notice");
        const MessageBubble bubble;
        auto height = [&](const QString& content) {
            const MessageBubble::Layout parts = bubble.layout(message(1, system ? QStringLiteral("system") : QStringLiteral("text"), content), true, 700);
            return system ? parts.notice.height() - 8 : parts.content.height() - 16;
        };
        const int oneLine = height(QStringLiteral("x"));
        QVERIFY(qAbs(height(text) - lines * oneLine) <= 1);
    }

    void contentString_data()
    {
        QTest::addColumn<std::optional<QString>>("content");
        QTest::addColumn<std::optional<QString>>("name");
        QTest::newRow("object with text") << std::optional(QStringLiteral("{\"name\":\"Cafe\"}")) << std::optional(QStringLiteral("Cafe"));
        QTest::newRow("number value") << std::optional(QStringLiteral("{\"name\":3}")) << std::optional<QString>();
        QTest::newRow("not json") << std::optional(QStringLiteral("Cafe")) << std::optional<QString>();
        QTest::newRow("array") << std::optional(QStringLiteral("[\"name\"]")) << std::optional<QString>();
        QTest::newRow("missing key") << std::optional(QStringLiteral("{}")) << std::optional<QString>();
        QTest::newRow("absent") << std::optional<QString>() << std::optional<QString>();
    }
    void contentString()
    {
        QFETCH(std::optional<QString>, content);
        QFETCH(std::optional<QString>, name);
        QCOMPARE(MessageBubble::contentString(content, QStringLiteral("name")), name);
    }

    void mediaUrl_data()
    {
        QTest::addColumn<std::optional<QString>>("fileUrl");
        QTest::addColumn<std::optional<QString>>("content");
        QTest::addColumn<QString>("url");
        const QString base = NetworkConfig::apiBaseUrl();
        QTest::newRow("file url wins") << std::optional(QStringLiteral("https://a.example/1.png"))
                                       << std::optional(QStringLiteral("{\"url\":\"https://b.example/2.png\"}"))
                                       << QStringLiteral("https://a.example/1.png");
        QTest::newRow("relative path in content gets base") << std::optional<QString>()
                                                            << std::optional(QStringLiteral("{\"url\":\"/uploads/2.png\"}"))
                                                            << base + QStringLiteral("/uploads/2.png");
        QTest::newRow("empty address") << std::optional(QString()) << std::optional<QString>() << QString();
        QTest::newRow("nothing") << std::optional<QString>() << std::optional(QStringLiteral("hello")) << QString();
    }
    void mediaUrl()
    {
        QFETCH(std::optional<QString>, fileUrl);
        QFETCH(std::optional<QString>, content);
        QFETCH(QString, url);
        Message m = message(1, QStringLiteral("image"), content);
        m.fileUrl = fileUrl;
        QCOMPARE(MessageBubble::mediaUrl(m).toString(), url);
    }

    void menuEntries_data()
    {
        QTest::addColumn<qint64>("id");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("isMine");
        QTest::addColumn<QStringList>("expected");
        const QString reply = Localized::text("chat.reply");
        const QString copy = Localized::text("chat.copy");
        const QString emoji = Localized::text("chat.emoji_reply");
        const QString revoke = Localized::text("chat.revoke");
        QTest::newRow("own message") << qint64(10) << QStringLiteral("sent") << true
                                     << QStringList { reply, copy, emoji, QStringLiteral("---"), revoke };
        QTest::newRow("other's message") << qint64(10) << QStringLiteral("read") << false << QStringList { reply, copy, emoji };
        QTest::newRow("optimistic id") << qint64(-42) << QStringLiteral("sending") << true << QStringList { copy };
        QTest::newRow("still sending") << qint64(10) << QStringLiteral("sending") << true << QStringList { copy };
        const QString resend = Localized::text("chat.resend");
        const QString discard = Localized::text("chat.discard");
        QTest::newRow("failed") << qint64(-42) << QStringLiteral("failed") << true
                                << QStringList { copy, QStringLiteral("---"), resend, discard };
        QTest::newRow("failed after an id") << qint64(10) << QStringLiteral("failed") << true
                                            << QStringList { copy, QStringLiteral("---"), resend, discard };
    }
    void menuEntries()
    {
        QFETCH(qint64, id);
        QFETCH(QString, status);
        QFETCH(bool, isMine);
        QFETCH(QStringList, expected);
        Message m = message(id, QStringLiteral("text"), QStringLiteral("hi"));
        m.status = status;
        std::unique_ptr<QMenu> menu(MessageBubble::contextMenu(m, isMine, {}, nullptr));
        QCOMPARE(entries(menu.get()), expected);
    }

    // Only the revoke entry of one's own message is drawn in red.
    void revokeEntryDrawnRed_data()
    {
        QTest::addColumn<bool>("isMine");
        QTest::newRow("own message") << true;
        QTest::newRow("other's message") << false;
    }
    void revokeEntryDrawnRed()
    {
        QFETCH(bool, isMine);
        std::unique_ptr<QMenu> menu(MessageBubble::contextMenu(message(10, QStringLiteral("text"), QStringLiteral("hi")), isMine, {}, nullptr));
        menu->adjustSize();
        const QImage image = menu->grab().toImage();
        int red = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red += c.red() > 200 && c.green() < 120 && c.blue() < 120;
            }
        QCOMPARE(red > 10, isMine);
    }

    void menuActionsReachCallbacks()
    {
        QString reacted;
        int replies = 0;
        int revokes = 0;
        Message m = message(10, QStringLiteral("text"), QStringLiteral("copied text"));
        int resends = 0;
        int discards = 0;
        MessageBubble::Actions actions { [&] { ++revokes; }, [&] { ++replies; }, [&](const QString& emoji) { reacted = emoji; },
                                         [&] { ++resends; }, [&] { ++discards; } };
        std::unique_ptr<QMenu> menu(MessageBubble::contextMenu(m, true, actions, nullptr));
        auto* emojiMenu = menu->findChild<QMenu*>(QStringLiteral("emojiReplyMenu"));
        QVERIFY(emojiMenu);
        QStringList emoji;
        for (QAction* action : emojiMenu->actions())
            emoji << action->text();
        QCOMPARE(emoji, MessageBubble::emojiReplies());
        emojiMenu->actions().at(1)->trigger();
        QCOMPARE(reacted, QStringLiteral("\u2764\uFE0F"));
        menu->findChild<QAction*>(QStringLiteral("replyAction"))->trigger();
        menu->findChild<QAction*>(QStringLiteral("revokeAction"))->trigger();
        QCOMPARE(replies, 1);
        QCOMPARE(revokes, 1);
        Message failed = m;
        failed.status = QStringLiteral("failed");
        std::unique_ptr<QMenu> failedMenu(MessageBubble::contextMenu(failed, true, actions, nullptr));
        failedMenu->findChild<QAction*>(QStringLiteral("resendAction"))->trigger();
        failedMenu->findChild<QAction*>(QStringLiteral("discardAction"))->trigger();
        QCOMPARE(resends, 1);
        QCOMPARE(discards, 1);

        QApplication::clipboard()->setText(QStringLiteral("before"));
        menu->findChild<QAction*>(QStringLiteral("copyAction"))->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("copied text"));

        // Without content the clipboard keeps what it had.
        Message empty = message(11, QStringLiteral("image"));
        std::unique_ptr<QMenu> second(MessageBubble::contextMenu(empty, false, {}, nullptr));
        second->findChild<QAction*>(QStringLiteral("copyAction"))->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("copied text"));
    }
};

QTEST_MAIN(TestMessageBubble)
#include "tst_message_bubble.moc"
