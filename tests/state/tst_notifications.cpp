#include "models/Conversation.h"
#include "state/chat/UserInfo.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

class TestNotifications : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsValuesStrictly_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<std::optional<qint64>>("integer");
        QTest::addColumn<std::optional<QString>>("text");
        QTest::addColumn<std::optional<bool>>("flag");

        const std::optional<qint64> noInt;
        const std::optional<QString> noText;
        const std::optional<bool> noFlag;
        QTest::newRow("int") << QVariant(7) << std::optional<qint64>(7) << noText << noFlag;
        QTest::newRow("qint64") << QVariant::fromValue<qint64>(1LL << 40) << std::optional<qint64>(1LL << 40) << noText
                                << noFlag;
        QTest::newRow("largest unsigned that fits") << QVariant::fromValue<quint64>(quint64(std::numeric_limits<qint64>::max()))
                                                   << std::optional<qint64>(std::numeric_limits<qint64>::max()) << noText << noFlag;
        QTest::newRow("huge unsigned") << QVariant::fromValue<quint64>(~0ULL) << noInt << noText << noFlag;
        QTest::newRow("double") << QVariant(7.0) << noInt << noText << noFlag;
        QTest::newRow("numeric text") << QVariant(u"7"_s) << noInt << std::optional<QString>(u"7"_s) << noFlag;
        QTest::newRow("bool") << QVariant(true) << noInt << noText << std::optional<bool>(true);
        QTest::newRow("missing") << QVariant() << noInt << noText << noFlag;
    }

    void readsValuesStrictly()
    {
        QFETCH(QVariant, value);
        QFETCH(std::optional<qint64>, integer);
        QFETCH(std::optional<QString>, text);
        QFETCH(std::optional<bool>, flag);
        QVariantMap info;
        if (value.isValid())
            info.insert(u"k"_s, value);
        QCOMPARE(userInfo::integer(info, u"k"_s), integer);
        QCOMPARE(userInfo::text(info, u"k"_s), text);
        QCOMPARE(userInfo::flag(info, u"k"_s), flag);
    }

    void readsRecordsOnlyOfTheirType()
    {
        Conversation conversation;
        conversation.id = 4;
        const QVariantMap info { { u"c"_s, QVariant::fromValue(conversation) }, { u"n"_s, 4 } };
        QCOMPARE(userInfo::record<Conversation>(info, u"c"_s)->id, 4);
        QVERIFY(!userInfo::record<Conversation>(info, u"n"_s));
    }

    void deliversAfterThePosterFinishedAndOnlyWhileTheObserverLives()
    {
        NotificationCenter center;
        auto observer = std::make_unique<QObject>();
        QList<qint64> received;
        center.observe(NotificationName::conversationActive(), observer.get(), [&](const QVariantMap& info) {
            received << userInfo::integer(info, NotificationKey::conversationId()).value_or(-1);
        });

        center.post(NotificationName::conversationActive(), { { NotificationKey::conversationId(), 5 } });
        center.post(NotificationName::conversationInactive(), { { NotificationKey::conversationId(), 6 } });
        QVERIFY(received.isEmpty());
        QTRY_COMPARE(received, QList<qint64> { 5 });

        center.post(NotificationName::conversationActive(), { { NotificationKey::conversationId(), 7 } });
        observer.reset();
        // Posts are delivered in order: once a later one reached a live observer, the
        // one above has had its turn.
        QObject witness;
        bool witnessed = false;
        center.observe(NotificationName::conversationInactive(), &witness, [&](const QVariantMap&) { witnessed = true; });
        center.post(NotificationName::conversationInactive(), {});
        QTRY_VERIFY(witnessed);
        QCOMPARE(received, QList<qint64> { 5 });
    }
};

QTEST_GUILESS_MAIN(TestNotifications)
#include "tst_notifications.moc"
