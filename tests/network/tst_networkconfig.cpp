#include "network/NetworkConfig.h"

#include <QTest>

class TestNetworkConfig : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addresses_data()
    {
        QTest::addColumn<QByteArray>("api");
        QTest::addColumn<QByteArray>("ws");
        QTest::addColumn<QString>("expectedApi");
        QTest::addColumn<QString>("expectedWs");
        QTest::newRow("defaults") << QByteArray() << QByteArray()
                                  << QStringLiteral("http://127.0.0.1:8787") << QStringLiteral("ws://127.0.0.1:8787/ws");
        QTest::newRow("secure server") << QByteArray("https://chat.example.org") << QByteArray("wss://chat.example.org/ws")
                                       << QStringLiteral("https://chat.example.org") << QStringLiteral("wss://chat.example.org/ws");
        QTest::newRow("trailing slashes dropped") << QByteArray("http://10.0.0.2:9000//") << QByteArray()
                                                  << QStringLiteral("http://10.0.0.2:9000") << QStringLiteral("ws://127.0.0.1:8787/ws");
    }

    void addresses()
    {
        QFETCH(QByteArray, api);
        QFETCH(QByteArray, ws);
        QFETCH(QString, expectedApi);
        QFETCH(QString, expectedWs);
        qputenv("MORVANE_API_URL", api);
        qputenv("MORVANE_WS_URL", ws);
        QCOMPARE(NetworkConfig::apiBaseUrl(), expectedApi);
        QCOMPARE(NetworkConfig::webSocketUrl(), expectedWs);
    }
};

QTEST_GUILESS_MAIN(TestNetworkConfig)
#include "tst_networkconfig.moc"
