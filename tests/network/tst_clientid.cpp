#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct FakeSources {
    qint64 milliseconds = 0;
    quint32 random = 0;
    QUuid uuid;

    ClientIdService::Sources sources()
    {
        return { [this] { return milliseconds; }, [this] { return random; }, [this] { return uuid; } };
    }
};

} // namespace

class TestClientId : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A fixed clock and random source; earlier ids advance the counter.
    void clientId()
    {
        const std::pair<quint32, int> cases[] = { { 123456789, 0 }, { 123456789, 41 }, { 0xffffffff, 65535 }, { 0, 65536 } };
        QStringList ids;
        for (const auto& [random, earlier] : cases) {
            KeychainService keychain(std::make_unique<MemorySecretStore>());
            FakeSources fake { 1700000000123, random, {} };
            ClientIdService service(keychain, fake.sources());
            for (int i = 0; i < earlier; ++i)
                service.generateClientId();
            ids.append(service.generateClientId());
        }
        QCOMPARE(ids, QStringList({ u"loyw3v5n-21i3v9-0"_s, u"loyw3v5n-21i3v9-15"_s, u"loyw3v5n-1z141z3-1ekf"_s, u"loyw3v5n-0-0"_s }));
    }

    void clientIdsFromTheSystemDiffer()
    {
        KeychainService keychain(std::make_unique<MemorySecretStore>());
        ClientIdService ids(keychain);
        const QStringList first = ids.generateClientId().split(u'-');
        const QStringList second = ids.generateClientId().split(u'-');
        QCOMPARE(first.value(2) + second.value(2), u"01"_s);
        QVERIFY(first.at(1) != second.at(1)); // 1 in 2^32 to fail by chance
    }

    void deviceId_data()
    {
        QTest::addColumn<QByteArray>("stored"); // empty: nothing stored
        QTest::addColumn<bool>("unreadable"); // the keychain fails to answer the first call
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing stored") << QByteArray() << false << u"mac-s44we8-3f9a0c2d"_s;
        QTest::newRow("anything UTF-8") << u"设备 #1"_s.toUtf8() << false << u"设备 #1"_s;
        QTest::newRow("not UTF-8") << QByteArray("\xc3\x28", 2) << false << u"mac-s44we8-3f9a0c2d"_s;
        QTest::newRow("unreadable keeps the id") << u"设备 #1"_s.toUtf8() << true << u"设备 #1"_s;
        QTest::newRow("unreadable, nothing stored") << QByteArray() << true << u"mac-s44we8-3f9a0c2d"_s;
    }
    void deviceId()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, unreadable);
        QFETCH(QString, expected);
        auto owned = std::make_unique<MemorySecretStore>();
        MemorySecretStore* store = owned.get();
        if (!stored.isEmpty())
            QVERIFY(store->write(ClientIdService::deviceIdKey, stored));
        KeychainService keychain(std::move(owned));
        FakeSources fake { 1700000000999, 0, QUuid(u"3F9A0C2D-1111-4222-8333-444455556666"_s) };
        ClientIdService ids(keychain, fake.sources());

        if (unreadable) {
            // No id rather than a new one that would replace the stored id.
            store->setUnreadable(ClientIdService::deviceIdKey);
            QVERIFY(!ids.getOrCreateDeviceId());
            store->setUnreadable({});
            QCOMPARE(store->read(ClientIdService::deviceIdKey).data, stored);
        }
        QCOMPARE(ids.getOrCreateDeviceId().value_or(QString()), expected);
        // The second call reads what the first stored, whatever the clock says now.
        fake.milliseconds += 5000;
        fake.uuid = QUuid::createUuid();
        QCOMPARE(ids.getOrCreateDeviceId().value_or(QString()), expected);
        QCOMPARE(keychain.loadText(ClientIdService::deviceIdKey).value_or(QString()), expected);
    }
};

QTEST_GUILESS_MAIN(TestClientId)
#include "tst_clientid.moc"
