#include "views/chat/ConversationListModel.h"
#include "views/chat/ConversationRow.h"
#include "views/common/Localized.h"

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
