// End to end against morvane-server: WebSocket frames beyond the size limit are
// refused without storing anything, and the server keeps serving.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QJsonArray>
#include <QTest>

#include <memory>

using testsupport::ServerProcess;

class TestServerFrameLimits : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    std::unique_ptr<ApiClient> m_alice;
    qint64 m_conversation = 0;

    // A "message_send" frame of exactly `bytes` bytes.
    QString sendFrame(qsizetype bytes, const QString& clientMsgId) const
    {
        const QString head = QStringLiteral(R"({"type":"message_send","payload":{"clientMsgId":"%1","conversationId":%2,"type":"text","content":")")
                                 .arg(clientMsgId)
                                 .arg(m_conversation);
        const QString tail = QStringLiteral(R"("}})");
        return head + QString(bytes - head.size() - tail.size(), u'a') + tail;
    }

    qint64 storedMessages()
    {
        const QJsonObject page { { QStringLiteral("conversationId"), m_conversation }, { QStringLiteral("limit"), 200 }, { QStringLiteral("offset"), 0 } };
        return m_alice->query(QStringLiteral("messages.list"), page).data().toArray().size();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_alice->registerUser(QStringLiteral("alice"));
        ApiClient bob(m_server.baseUrl());
        bob.registerUser(QStringLiteral("bob"));
        const QJsonObject input { { QStringLiteral("type"), QStringLiteral("private") }, { QStringLiteral("memberIds"), QJsonArray { bob.userId() } } };
        m_conversation = m_alice->mutation(QStringLiteral("conversations.create"), input).data()[QLatin1StringView("conversationId")].toInteger();
        QVERIFY(m_conversation > 0);
    }

    void oversizedFrames_data()
    {
        QTest::addColumn<qsizetype>("bytes");
        QTest::addColumn<QString>("code");
        QTest::newRow("just over the limit") << qsizetype((1 << 20) + 1) << QStringLiteral("TOO_LARGE");
        // Read in full, then refused by the message rules.
        QTest::newRow("at the limit") << qsizetype(1 << 20) << QStringLiteral("INVALID_PAYLOAD");
    }

    void oversizedFrames()
    {
        QFETCH(qsizetype, bytes);
        QFETCH(QString, code);
        const qint64 before = storedMessages();
        LiveClient socket(m_server.wsUrl());
        QVERIFY(socket.authenticate(m_alice->token, m_alice->userId()));
        const QString frame = sendFrame(bytes, QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
        QCOMPARE(frame.toUtf8().size(), bytes);
        socket.sendText(frame);
        const auto error = socket.waitFor(QStringLiteral("error"));
        QVERIFY(error);
        QCOMPARE(error->value(QLatin1StringView("code")).toString(), code);
        socket.sendFrame(QStringLiteral("ping"), {});
        QVERIFY(socket.waitFor(QStringLiteral("pong")));
        QCOMPARE(storedMessages(), before);
    }

    void hugeFrameEndsOnlyItsConnection()
    {
        LiveClient socket(m_server.wsUrl());
        QVERIFY(socket.authenticate(m_alice->token, m_alice->userId()));
        socket.sendText(sendFrame(6 << 20, QStringLiteral("huge")));
        QVERIFY(socket.waitForClose());

        LiveClient fresh(m_server.wsUrl());
        QVERIFY(fresh.authenticate(m_alice->token, m_alice->userId()));
        fresh.sendFrame(QStringLiteral("ping"), {});
        QVERIFY(fresh.waitFor(QStringLiteral("pong")));
    }
};

QTEST_GUILESS_MAIN(TestServerFrameLimits)
#include "tst_server_frame_limits.moc"
