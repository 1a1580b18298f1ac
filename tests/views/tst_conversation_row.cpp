#include "views/chat/ConversationListModel.h"
#include "views/chat/ConversationRow.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include "PaintLog.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QTest>

class TestConversationRow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void badgeText_data()
    {
        QTest::addColumn<std::optional<qint64>>("count");
        QTest::addColumn<QString>("badge");
        QTest::newRow("absent") << std::optional<qint64>() << QString();
        QTest::newRow("zero") << std::optional<qint64>(0) << QString();
        QTest::newRow("one") << std::optional<qint64>(1) << QStringLiteral("1");
        QTest::newRow("99") << std::optional<qint64>(99) << QStringLiteral("99");
        QTest::newRow("100") << std::optional<qint64>(100) << QStringLiteral("99+");
        QTest::newRow("250") << std::optional<qint64>(250) << QStringLiteral("99+");
    }
    void badgeText()
    {
        QFETCH(std::optional<qint64>, count);
        QFETCH(QString, badge);
        QCOMPARE(ConversationRow::badgeText(count), badge);
    }

    // The unread count is drawn as a capsule at the row's end: red, grey when the
    // conversation is muted, none when all is read.
    void badgeDrawnInItsColour_data()
    {
        QTest::addColumn<qint64>("unread");
        QTest::addColumn<bool>("muted");
        QTest::addColumn<QColor>("badge"); // invalid: none
        QTest::newRow("all read") << qint64(0) << false << QColor();
        QTest::newRow("unread") << qint64(3) << false << QColor(0xff, 0x3b, 0x30);
        QTest::newRow("unread, muted") << qint64(3) << true << QColor(0x8e, 0x8e, 0x93);
    }
    void badgeDrawnInItsColour()
    {
        QFETCH(qint64, unread);
        QFETCH(bool, muted);
        QFETCH(QColor, badge);
        Conversation conversation;
        conversation.id = 1;
        conversation.name = QStringLiteral("Ann");
        conversation.lastMessage = QStringLiteral("see you");
        conversation.unreadCount = unread;
        conversation.isMuted = muted;
        ConversationListModel model;
        model.setConversations({ conversation });
        const ConversationRow row;
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 360, 72);
        QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            row.paint(&painter, option, model.index(0));
        }
        // The trailing half only: the avatar's colour is the name's.
        auto drawn = [&image](const QColor& colour) {
            for (int y = 0; y < image.height(); ++y) {
                for (int x = image.width() / 2; x < image.width(); ++x) {
                    if (image.pixel(x, y) == colour.rgb())
                        return true;
                }
            }
            return false;
        };
        for (const QColor& colour : { QColor(0xff, 0x3b, 0x30), QColor(0x8e, 0x8e, 0x93) })
            QCOMPARE(drawn(colour), colour == badge);
    }

    // The badge's count is white semibold caption-2 on a capsule padded 6 at the sides and
    // 2 above and below, at the trailing edge of the preview line.
    void badgeGeometry_data()
    {
        QTest::addColumn<qint64>("unread");
        QTest::newRow("one digit") << qint64(7);
        QTest::newRow("two digits") << qint64(42);
        QTest::newRow("capped") << qint64(250);
    }
    void badgeGeometry()
    {
        QFETCH(qint64, unread);
        Conversation conversation;
        conversation.id = 1;
        conversation.name = QStringLiteral("Ann");
        conversation.lastMessage = QStringLiteral("see you");
        conversation.unreadCount = unread;
        ConversationListModel model;
        model.setConversations({ conversation });
        const ConversationRow row;
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 360, 72);
        const Painting painted = PaintLog::record(option.rect.size(), [&](QPainter* painter) { row.paint(painter, option, model.index(0)); });

        const QString badge = ConversationRow::badgeText(unread);
        const std::optional<PaintedItem> count = painted.text(badge);
        QVERIFY2(count, qPrintable(painted.allText()));
        QCOMPARE(count->pen, QColor(Qt::white));
        QCOMPARE(count->font.weight(), QFont::DemiBold);
        QCOMPARE(count->font.pointSizeF(), Appearance::font(Appearance::TextStyle::Caption2).pointSizeF());
        const std::optional<PaintedItem> preview = painted.text(QStringLiteral("see you"));
        QVERIFY(preview);

        QRectF capsule;
        for (const PaintedItem& shape : painted.shapes()) {
            if (shape.brush == QColor(0xff, 0x3b, 0x30))
                capsule = shape.rect;
        }
        QVERIFY(capsule.isValid());
        QVERIFY2(capsule.contains(count->rect), qPrintable(QStringLiteral("%1 outside %2").arg(QDebug::toString(count->rect), QDebug::toString(capsule))));
        const qreal padding = (capsule.width() - QFontMetricsF(count->font).horizontalAdvance(badge)) / 2;
        QVERIFY2(padding >= 5.5 && (padding <= 6.5 || capsule.width() <= capsule.height() + 0.5), qPrintable(QString::number(padding)));
        QVERIFY2(qAbs(count->rect.center().x() - capsule.center().x()) <= 1, "the count is centred");
        QVERIFY2(capsule.height() - count->rect.height() >= 3.5, "2 above and below");
        QVERIFY2(capsule.left() > preview->rect.right(), "the badge follows the preview");
        QVERIFY2(qAbs(capsule.center().y() - preview->rect.center().y()) <= 2, "on the preview's line");
        QVERIFY2(qAbs(capsule.right() - 360) <= 16, qPrintable(QDebug::toString(capsule)));
    }

    void timeText_data()
    {
        QTest::addColumn<QDateTime>("stamp");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        const QDateTime now(QDate(2025, 3, 10), QTime(15, 0), Qt::LocalTime);
        QTest::newRow("today") << now.addSecs(-3600 * 6) << QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ") << QStringLiteral("09:00");
        QTest::newRow("yesterday") << now.addDays(-1) << QStringLiteral("yyyy-MM-ddTHH:mm:ssZ") << Localized::text("conversation.yesterday");
        QTest::newRow("last year") << now.addYears(-1).addDays(-3) << QStringLiteral("yyyy-MM-ddTHH:mm:ssZ") << QStringLiteral("03/07");
    }
    void timeText()
    {
        QFETCH(QDateTime, stamp);
        QFETCH(QString, format);
        QFETCH(QString, text);
        const QDateTime now(QDate(2025, 3, 10), QTime(15, 0), Qt::LocalTime);
        const QString iso = stamp.toUTC().toString(format.replace(QLatin1Char('Z'), QStringLiteral("'Z'")).replace(QLatin1Char('T'), QStringLiteral("'T'")));
        QCOMPARE(ConversationRow::timeText(iso, now), text);
    }

    void unparseableTimeIsEmpty()
    {
        QCOMPARE(ConversationRow::timeText(QStringLiteral("2025-03-10"), QDateTime::currentDateTime()), QString());
        QCOMPARE(ConversationRow::timeText(QStringLiteral("soon"), QDateTime::currentDateTime()), QString());
    }

    void onlineDot_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<std::optional<bool>>("online");
        QTest::addColumn<bool>("dot");
        QTest::newRow("private online") << QStringLiteral("private") << std::optional(true) << true;
        QTest::newRow("group online") << QStringLiteral("group") << std::optional(true) << false;
        QTest::newRow("private offline") << QStringLiteral("private") << std::optional(false) << false;
        QTest::newRow("private unknown") << QStringLiteral("private") << std::optional<bool>() << false;
    }
    void onlineDot()
    {
        QFETCH(QString, type);
        QFETCH(std::optional<bool>, online);
        QFETCH(bool, dot);
        Conversation conversation;
        conversation.type = type;
        conversation.online = online;
        QCOMPARE(ConversationRow::showsOnlineDot(conversation), dot);
        QCOMPARE(ConversationRow::displayName(conversation), QStringLiteral("未命名会话"));
    }

    // A newest message of one's own that failed is not shown as sent: its preview says so.
    void previewOfAFailedMessage_data()
    {
        QTest::addColumn<bool>("failed");
        QTest::newRow("sent") << false;
        QTest::newRow("failed") << true;
    }
    void previewOfAFailedMessage()
    {
        QFETCH(bool, failed);
        Conversation conversation;
        conversation.lastMessage = QStringLiteral("see you");
        conversation.lastMessageFailed = failed;
        QCOMPARE(ConversationRow::previewText(conversation),
                 (failed ? Localized::text("conversation.not_sent_prefix") : QString()) + QStringLiteral("see you"));
        QVERIFY(!Localized::text("conversation.not_sent_prefix").isEmpty());
    }

    // A screen reader hears everything the row shows, in its order: the name, the
    // time, the pinned and muted marks, the preview (a failed one says so) and the
    // unread count.
    void accessibleTextReadsTheWholeRow_data()
    {
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<bool>("muted");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<qint64>("unread");
        QTest::addColumn<QStringList>("parts");
        const QString time = QStringLiteral("09:30");
        QTest::newRow("plain") << false << false << false << qint64(0) << QStringList { QStringLiteral("Ann"), time, QStringLiteral("see you") };
        QTest::newRow("pinned, muted, unread") << true << true << false << qint64(120)
                                               << QStringList { QStringLiteral("Ann"), time, Localized::text("conversation.pinned"),
                                                      Localized::text("conversation.muted"), QStringLiteral("see you"),
                                                      Localized::text("conversation.unread_count").replace(QStringLiteral("%@"), QStringLiteral("99+")) };
        QTest::newRow("failed") << false << false << true << qint64(2)
                                << QStringList { QStringLiteral("Ann"), time, Localized::text("conversation.not_sent_prefix") + QStringLiteral("see you"),
                                       Localized::text("conversation.unread_count").replace(QStringLiteral("%@"), QStringLiteral("2")) };
    }
    void accessibleTextReadsTheWholeRow()
    {
        QFETCH(bool, pinned);
        QFETCH(bool, muted);
        QFETCH(bool, failed);
        QFETCH(qint64, unread);
        QFETCH(QStringList, parts);
        const QDateTime now = QDateTime::currentDateTime();
        Conversation conversation;
        conversation.name = QStringLiteral("Ann");
        conversation.isPinned = pinned;
        conversation.isMuted = muted;
        conversation.lastMessage = QStringLiteral("see  you\n");
        conversation.lastMessageFailed = failed;
        conversation.unreadCount = unread;
        conversation.lastMessageTime = QDateTime(now.date(), QTime(9, 30)).toUTC().toString(Qt::ISODate);
        QCOMPARE(ConversationRow::accessibleText(conversation, now), parts.join(QStringLiteral(", ")));
    }
};

QTEST_MAIN(TestConversationRow)
#include "tst_conversation_row.moc"
