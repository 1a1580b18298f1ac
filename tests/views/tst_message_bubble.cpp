#include "network/NetworkConfig.h"
#include "views/chat/MessageBubble.h"
#include "views/chat/MessageListModel.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPainter>
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
