#include "views/chat/ConversationListModel.h"
#include "views/chat/ConversationRow.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include "PaintLog.h"

#include <QColor>
#include <QImage>
#include <QApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>

namespace {

bool near(qreal a, qreal b, qreal tolerance = 1.0) { return qAbs(a - b) <= tolerance; }

QString describe(const QRectF& rect) { return QDebug::toString(rect); }

} // namespace

namespace {

Conversation unreadFromAnn(qint64 unread, bool muted)
{
    Conversation conversation;
    conversation.id = 1;
    conversation.name = QStringLiteral("Ann");
    conversation.lastMessage = QStringLiteral("see you");
    conversation.unreadCount = unread;
    conversation.isMuted = muted;
    return conversation;
}

} // namespace

class TestConversationRow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A row that leaves the painter with a state saved and not restored spoils every row the
    // list paints after it.
    void initTestCase()
    {
        Appearance::install();
    }

    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("saved states|Unbalanced save")));
    }

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
        ConversationListModel model;
        model.setConversations({ unreadFromAnn(unread, muted) });
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
        ConversationListModel model;
        model.setConversations({ unreadFromAnn(unread, false) });
        const ConversationRow row;
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 360, 72);
        const Painting painted = PaintLog::record(option.rect.size(), [&](QPainter* painter) { row.paint(painter, option, model.index(0)); });

        const QString badge = ConversationRow::badgeText(unread);
        const std::optional<PaintedItem> count = painted.text(badge);
        QVERIFY2(count, qPrintable(painted.allText()));
        QCOMPARE(count->pen, QColor(Qt::white));
        QCOMPARE(count->font.weight(), QFont::DemiBold);
        QCOMPARE(count->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
        const std::optional<PaintedItem> preview = painted.text(QStringLiteral("see you"));
        QVERIFY(preview);

        QRectF capsule;
        QSizeF corner;
        for (const PaintedItem& shape : painted.shapes()) {
            if (shape.brush == QColor(0xff, 0x3b, 0x30)) {
                capsule = shape.rect;
                corner = shape.corner;
            }
        }
        QVERIFY(capsule.isValid());
        QVERIFY2(qAbs(corner.width() - capsule.height() / 2) < 0.01 && qAbs(corner.height() - capsule.height() / 2) < 0.01, "fully rounded ends");
        QVERIFY2(capsule.contains(count->rect), qPrintable(QStringLiteral("%1 outside %2").arg(QDebug::toString(count->rect), QDebug::toString(capsule))));
        const qreal padding = (capsule.width() - QFontMetricsF(count->font).horizontalAdvance(badge)) / 2;
        QVERIFY2(padding >= 5.5 && (padding <= 6.5 || capsule.width() <= capsule.height() + 0.5), qPrintable(QString::number(padding)));
        QVERIFY2(qAbs(count->rect.center().x() - capsule.center().x()) <= 1, "the count is centred");
        const qreal aboveAndBelow = capsule.height() - QFontMetricsF(count->font).height();
        QVERIFY2(aboveAndBelow >= 4 - 0.01 && aboveAndBelow < 5, qPrintable(QStringLiteral("2 above and below: %1").arg(aboveAndBelow)));
        QVERIFY2(capsule.left() > preview->rect.right(), "the badge follows the preview");
        QVERIFY2(qAbs(capsule.center().y() - preview->rect.center().y()) <= 2, "on the preview's line");
        QVERIFY2(qAbs(capsule.right() - 360) <= 16, qPrintable(QDebug::toString(capsule)));
    }

    // The row as stated: the 40-point avatar, 10 before the texts; the name in 13 medium on
    // the first line with the time in caption 2, secondary, at the trailing edge; the
    // preview 3 below in caption, secondary, after the crossed-out bell when muted; the
    // online dot of 10 on the avatar's bottom-trailing corner; the pinned row's faint tint.
    void rowGeometry_data()
    {
        QTest::addColumn<std::optional<bool>>("isMuted");
        QTest::addColumn<std::optional<bool>>("isPinned");
        QTest::addColumn<bool>("online");
        QTest::addColumn<int>("state");
        const std::optional<bool> absent;
        QTest::newRow("plain, marks absent") << absent << absent << false << int(QStyle::State_None);
        QTest::newRow("plain") << std::optional<bool>(false) << std::optional<bool>(false) << false << int(QStyle::State_None);
        QTest::newRow("muted") << std::optional<bool>(true) << absent << false << int(QStyle::State_None);
        QTest::newRow("pinned, online") << absent << std::optional<bool>(true) << true << int(QStyle::State_None);
        QTest::newRow("selected") << std::optional<bool>(false) << std::optional<bool>(false) << false << int(QStyle::State_Selected);
        QTest::newRow("focused, pinned, muted") << std::optional<bool>(true) << std::optional<bool>(true) << false << int(QStyle::State_HasFocus);
        QTest::newRow("selected, focused") << absent << absent << false << int(QStyle::State_Selected | QStyle::State_HasFocus);
    }
    void rowGeometry()
    {
        QFETCH(std::optional<bool>, isMuted);
        QFETCH(std::optional<bool>, isPinned);
        QFETCH(bool, online);
        const bool muted = isMuted.value_or(false);
        const bool pinned = isPinned.value_or(false);
        QFETCH(int, state);
        Conversation conversation;
        conversation.id = 1;
        conversation.type = QStringLiteral("private");
        conversation.name = QStringLiteral("Ann");
        conversation.lastMessage = QStringLiteral("see you");
        conversation.lastMessageTime = QDateTime(QDate(2024, 3, 7), QTime(9, 0), Qt::UTC).toString(Qt::ISODate);
        conversation.unreadCount = 2;
        conversation.isMuted = isMuted;
        conversation.isPinned = isPinned;
        conversation.online = online;
        ConversationListModel model;
        model.setConversations({ conversation });
        const ConversationRow row;
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 360, 0);
        option.rect.setHeight(row.sizeHint(option, model.index(0)).height());
        option.state = QStyle::State(state);
        const Painting p = PaintLog::record(option.rect.size(), [&](QPainter* painter) { row.paint(painter, option, model.index(0)); });

        std::optional<PaintedItem> avatar;
        std::optional<PaintedItem> dot;
        std::optional<PaintedItem> tint;
        std::optional<PaintedItem> ring;
        for (const PaintedItem& shape : p.shapes()) {
            if (shape.rect.size() == QSizeF(40, 40))
                avatar = shape;
            // Not the avatar, which may be of the same green.
            if (shape.brush == QColor(0x34, 0xc7, 0x59) && shape.rect.width() < 40)
                dot = shape;
            if (shape.brush.rgb() == Appearance::accent().rgb() && shape.brush.alpha() < 255)
                tint = shape;
            if (shape.pen == Appearance::focusRing())
                ring = shape;
        }
        QVERIFY(avatar);
        QVERIFY2(avatar->rect.top() >= 4 && option.rect.height() - avatar->rect.bottom() >= 4, qPrintable(describe(avatar->rect)));
        QVERIFY2(near(avatar->rect.center().y(), option.rect.height() / 2.0, 1.5), qPrintable(describe(avatar->rect)));
        const auto name = p.text(QStringLiteral("Ann"));
        QVERIFY2(name, qPrintable(p.allText()));
        QCOMPARE(name->font.pixelSize(), 13);
        QCOMPARE(name->font.weight(), QFont::Medium);
        QCOMPARE(name->pen, QApplication::palette().color(QPalette::Text));
        QVERIFY2(near(name->rect.left() - avatar->rect.right(), 10, 0.5), qPrintable(describe(name->rect)));

        const auto time = p.text(ConversationRow::timeText(*conversation.lastMessageTime));
        QVERIFY2(time, qPrintable(p.allText()));
        QCOMPARE(time->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
        QCOMPARE(time->pen, Appearance::secondaryText());
        QVERIFY2(near(time->rect.center().y(), name->rect.center().y(), 2), qPrintable(describe(time->rect)));

        const auto preview = p.text(QStringLiteral("see you"));
        QVERIFY(preview);
        QCOMPARE(preview->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(preview->pen, Appearance::secondaryText());
        QVERIFY2(near(preview->rect.top() - name->rect.bottom(), 3, 1), qPrintable(describe(preview->rect) + describe(name->rect)));
        // The two lines, as one block, are centred on the avatar.
        QVERIFY2(near((name->rect.top() + preview->rect.bottom()) / 2, avatar->rect.center().y(), 2), qPrintable(describe(preview->rect)));

        std::optional<PaintedItem> capsule;
        for (const PaintedItem& shape : p.shapes()) {
            if (shape.brush == QColor(0xff, 0x3b, 0x30) || shape.brush == QColor(0x8e, 0x8e, 0x93))
                capsule = shape;
        }
        QVERIFY(capsule);
        QVERIFY2(!capsule->pen.isValid(), "a capsule with no outline");
        // The time and the badge end on the same trailing edge, as far in from the row's
        // end as the avatar is from its start.
        QVERIFY2(near(time->rect.right(), capsule->rect.right(), 1), qPrintable(describe(time->rect) + describe(capsule->rect)));
        QVERIFY2(near(avatar->rect.left(), option.rect.width() - capsule->rect.right(), 0.5), qPrintable(describe(avatar->rect) + describe(capsule->rect)));

        const QList<PaintedItem> pictures = p.pictures();
        QCOMPARE(pictures.size(), muted ? 1 : 0);
        if (muted) {
            const PaintedItem bell = pictures.first();
            QVERIFY2(near(bell.rect.left(), name->rect.left(), 0.5), qPrintable(describe(bell.rect)));
            QVERIFY2(preview->rect.left() > bell.rect.right(), qPrintable(describe(bell.rect)));
            QVERIFY2(near(bell.rect.center().y(), preview->rect.center().y(), 0.6), qPrintable(describe(bell.rect) + describe(preview->rect)));
            QVERIFY2(near(bell.rect.height(), QFontMetricsF(Appearance::font(Appearance::TextStyle::Caption2)).height(), 1), qPrintable(describe(bell.rect)));
        } else {
            QVERIFY2(near(preview->rect.left(), name->rect.left(), 0.5), qPrintable(describe(preview->rect)));
        }

        QCOMPARE(dot.has_value(), online);
        if (dot) {
            QCOMPARE(dot->rect.size(), QSizeF(10, 10));
            QCOMPARE(dot->pen, QColor(Qt::white));
            QCOMPARE(dot->rect.bottomRight(), avatar->rect.bottomRight());
        }
        const bool selected = state & QStyle::State_Selected;
        QCOMPARE(tint.has_value(), pinned || selected);
        if (tint && !selected) {
            QVERIFY(near(tint->brush.alphaF(), 0.05, 0.01));
            QCOMPARE(tint->rect, QRectF(option.rect));
        }
        QCOMPARE(ring.has_value(), bool(state & QStyle::State_HasFocus));
        if (ring)
            QVERIFY2(ring->rect.contains(avatar->rect) && ring->rect.contains(capsule->rect), qPrintable(describe(ring->rect)));
        // On a selected row the ring runs along the selection's rounded card.
        if (ring && selected) {
            QVERIFY(tint);
            QVERIFY2(tint->rect.contains(ring->rect) && near(tint->rect.width() - ring->rect.width(), 2, 1.01), qPrintable(describe(ring->rect)));
            QCOMPARE(ring->corner, tint->corner);
        }
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
        QTest::addColumn<std::optional<bool>>("pinned");
        QTest::addColumn<std::optional<bool>>("muted");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<qint64>("unread");
        QTest::addColumn<QStringList>("parts");
        const QString time = QStringLiteral("09:30");
        const std::optional<bool> yes(true);
        const std::optional<bool> no(false);
        QTest::newRow("plain, marks absent") << std::optional<bool>() << std::optional<bool>() << false << qint64(0)
                                             << QStringList { QStringLiteral("Ann"), time, QStringLiteral("see you") };
        QTest::newRow("pinned, muted, unread") << yes << yes << false << qint64(120)
                                               << QStringList { QStringLiteral("Ann"), time, Localized::text("conversation.pinned"),
                                                      Localized::text("conversation.muted"), QStringLiteral("see you"),
                                                      Localized::text("conversation.unread_count").replace(QStringLiteral("%@"), QStringLiteral("99+")) };
        QTest::newRow("failed") << no << no << true << qint64(2)
                                << QStringList { QStringLiteral("Ann"), time, Localized::text("conversation.not_sent_prefix") + QStringLiteral("see you"),
                                       Localized::text("conversation.unread_count").replace(QStringLiteral("%@"), QStringLiteral("2")) };
    }
    void accessibleTextReadsTheWholeRow()
    {
        QFETCH(std::optional<bool>, pinned);
        QFETCH(std::optional<bool>, muted);
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
