// End to end: two users chatting through morvane-server, over procedures and "/ws".

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QJsonArray>
#include <QUuid>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

namespace {

// The named fields as "value value ...", to compare several at once.
QString fields(const std::optional<QJsonObject>& object, const QStringList& keys)
{
    QStringList values;
    for (const QString& key : keys)
        values.append(object ? object->value(key).toVariant().toString() : u"-"_s);
    return values.join(u' ');
}

} // namespace

class TestServerChat : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    std::unique_ptr<ApiClient> m_alice;
    std::unique_ptr<ApiClient> m_bob;
    std::unique_ptr<ApiClient> m_carol;
    qint64 m_conversation = 0;
    int m_sent = 0;

    std::unique_ptr<LiveClient> live(ApiClient& user, const QString& device = u"device"_s)
    {
        auto client = std::make_unique<LiveClient>(m_server.wsUrl());
        return client->authenticate(user.token, user.userId(), device) ? std::move(client) : nullptr;
    }

    QJsonObject textFrame(const QString& clientMsgId, const QString& text, qint64 conversationId = 0)
    {
        return { { u"clientMsgId"_s, clientMsgId }, { u"conversationId"_s, conversationId ? conversationId : m_conversation },
                 { u"type"_s, u"text"_s }, { u"content"_s, text } };
    }

    // Sends a text over a fresh socket of the sender and returns the new message's id.
    qint64 send(ApiClient& sender, const QString& text, qint64 conversationId = 0)
    {
        auto socket = live(sender, u"sender"_s);
        if (!socket)
            return 0;
        socket->sendFrame(u"message_send"_s, textFrame(u"c-%1"_s.arg(++m_sent), text, conversationId));
        return socket->waitFor(u"message_ack"_s).value_or(QJsonObject())["messageId"_L1].toInteger();
    }

    QJsonArray messages(ApiClient& user, int limit = 50, int offset = 0, qint64 conversationId = 0)
    {
        const QJsonObject input { { u"conversationId"_s, conversationId ? conversationId : m_conversation }, { u"limit"_s, limit },
                                  { u"offset"_s, offset } };
        return user.query(u"messages.list"_s, input).data().toArray();
    }

    static qint64 createPrivate(ApiClient& user, qint64 with)
    {
        const QJsonObject input { { u"type"_s, u"private"_s }, { u"memberIds"_s, QJsonArray { with } } };
        return user.mutation(u"conversations.create"_s, input).data()["conversationId"_L1].toInteger();
    }

    HttpResult announce(qint64 size, const QString& name = u"a.txt"_s, const QString& type = u"text/plain"_s)
    {
        return m_alice->mutation(u"upload.getPresignedUrl"_s, QJsonObject { { u"fileName"_s, name }, { u"fileType"_s, type }, { u"fileSize"_s, size } });
    }

    QJsonObject conversationIn(ApiClient& user, qint64 id)
    {
        for (const QJsonValue& c : user.query(u"conversations.list"_s).data().toArray()) {
            if (c["id"_L1].toInteger() == id)
                return c.toObject();
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_bob = std::make_unique<ApiClient>(m_server.baseUrl());
        m_carol = std::make_unique<ApiClient>(m_server.baseUrl());
        m_alice->registerUser(u"alice"_s, u"secret123"_s, u"爱丽丝"_s);
        m_bob->registerUser(u"bob"_s);
        m_carol->registerUser(u"carol"_s);
        QVERIFY(m_alice->userId() && m_bob->userId() && m_carol->userId());
    }

    void privateConversationIsReused()
    {
        m_conversation = createPrivate(*m_alice, m_bob->userId());
        QVERIFY(m_conversation > 0);
        QCOMPARE(createPrivate(*m_bob, m_alice->userId()), m_conversation);
        QCOMPARE(fields(conversationIn(*m_bob, m_conversation), { u"type"_s, u"name"_s }), u"private 爱丽丝"_s);
    }

    void sendAckDeliverAndDuplicate()
    {
        auto aliceSending = live(*m_alice, u"laptop"_s);
        auto aliceOther = live(*m_alice, u"phone"_s);
        auto bob = live(*m_bob);
        QVERIFY(aliceSending && aliceOther && bob);

        aliceSending->sendFrame(u"message_send"_s, textFrame(u"dup-1"_s, u"你好, Bob"_s));
        const auto ack = aliceSending->waitFor(u"message_ack"_s);
        QCOMPARE(fields(ack, { u"clientMsgId"_s, u"isDuplicate"_s }), u"dup-1 false"_s);
        QVERIFY(!ack->value("serverMsgId"_L1).toString().isEmpty());
        const qint64 messageId = ack->value("messageId"_L1).toInteger();
        QVERIFY(messageId > 0);
        const QString delivered = u"%1 %2 %3 你好, Bob dup-1"_s.arg(messageId).arg(m_conversation).arg(m_alice->userId());
        for (LiveClient* receiver : { bob.get(), aliceOther.get() }) {
            const auto deliver = receiver->waitFor(u"message_deliver"_s);
            QCOMPARE(fields(deliver.value_or(QJsonObject())["message"_L1].toObject(),
                            { u"id"_s, u"conversationId"_s, u"senderId"_s, u"content"_s, u"clientMessageId"_s }),
                     delivered);
        }
        QVERIFY(aliceSending->staysQuiet(u"message_deliver"_s));

        aliceSending->sendFrame(u"message_send"_s, textFrame(u"dup-1"_s, u"你好, Bob"_s));
        const auto again = aliceSending->waitFor(u"message_ack"_s);
        QCOMPARE(fields(again, { u"messageId"_s, u"serverMsgId"_s, u"isDuplicate"_s }),
                 u"%1 %2 true"_s.arg(messageId).arg(ack->value("serverMsgId"_L1).toString()));
        QVERIFY(bob->staysQuiet(u"message_deliver"_s));
        QCOMPARE(messages(*m_bob).size(), 1);
    }

    void deliveredTypingAndRead()
    {
        auto alice = live(*m_alice);
        auto bob = live(*m_bob, u"desk"_s);
        auto bobOther = live(*m_bob, u"phone"_s);
        QVERIFY(alice && bob && bobOther);
        const qint64 messageId = send(*m_alice, u"are you there?"_s);
        QCOMPARE(conversationIn(*m_bob, m_conversation).value("unreadCount"_L1).toInteger(), 2);

        bob->sendFrame(u"message_delivered"_s, { { u"messageId"_s, messageId } });
        QVERIFY(bob->staysQuiet(u"error"_s));
        QCOMPARE(messages(*m_alice).first()["status"_L1].toString(), u"delivered"_s);

        bob->sendFrame(u"typing"_s, { { u"conversationId"_s, m_conversation } });
        QCOMPARE(fields(alice->waitFor(u"typing"_s), { u"conversationId"_s, u"userId"_s, u"userName"_s }),
                 u"%1 %2 bob"_s.arg(m_conversation).arg(m_bob->userId()));
        QVERIFY(bobOther->staysQuiet(u"typing"_s));

        bob->sendFrame(u"read"_s, { { u"userId"_s, m_bob->userId() }, { u"conversationId"_s, m_conversation } });
        QCOMPARE(fields(alice->waitFor(u"message_read_notify"_s), { u"conversationId"_s, u"readBy"_s }),
                 u"%1 %2"_s.arg(m_conversation).arg(m_bob->userId()));
        QCOMPARE(fields(bobOther->waitFor(u"read_sync"_s), { u"conversationId"_s }), QString::number(m_conversation));
        QVERIFY(bob->staysQuiet(u"read_sync"_s));
        QCOMPARE(conversationIn(*m_bob, m_conversation).value("unreadCount"_L1).toInteger(), 0);
        for (const QJsonValue& message : messages(*m_alice))
            QCOMPARE(message["status"_L1].toString(), u"read"_s);
    }

    void revokeOwnMessagesOnly()
    {
        auto alice = live(*m_alice);
        auto bob = live(*m_bob);
        QVERIFY(alice && bob);
        const qint64 messageId = send(*m_alice, u"oops, wrong chat"_s);
        const QJsonObject input { { u"messageId"_s, messageId } };
        QCOMPARE(m_bob->mutation(u"messages.revoke"_s, input).status, 403);
        QCOMPARE(m_carol->mutation(u"messages.revoke"_s, input).status, 404);
        QVERIFY(bob->staysQuiet(u"message_revoked"_s));

        QCOMPARE(m_alice->mutation(u"messages.revoke"_s, input).status, 200);
        for (LiveClient* socket : { alice.get(), bob.get() })
            QCOMPARE(fields(socket->waitFor(u"message_revoked"_s), { u"messageId"_s, u"conversationId"_s }), u"%1 %2"_s.arg(messageId).arg(m_conversation));
        const QJsonObject listed = messages(*m_bob).first().toObject();
        QCOMPARE(fields(listed, { u"id"_s, u"status"_s, u"content"_s }), u"%1 revoked "_s.arg(messageId));
        QVERIFY(listed["revokedAt"_L1].isString());
    }

    void reactionsArePushedOnce()
    {
        auto alice = live(*m_alice);
        QVERIFY(alice);
        const qint64 messageId = send(*m_alice, u"lunch?"_s);
        const QJsonObject input { { u"messageId"_s, messageId }, { u"emoji"_s, u"👍"_s } };
        QCOMPARE(m_bob->mutation(u"messages.addReaction"_s, input).status, 200);
        QCOMPARE(fields(alice->waitFor(u"reaction"_s), { u"messageId"_s, u"userId"_s, u"emoji"_s, u"action"_s }),
                 u"%1 %2 👍 add"_s.arg(messageId).arg(m_bob->userId()));
        QCOMPARE(m_bob->mutation(u"messages.addReaction"_s, input).status, 200);
        QVERIFY(alice->staysQuiet(u"reaction"_s));
        QCOMPARE(m_carol->mutation(u"messages.addReaction"_s, input).status, 404);

        const QJsonArray reactions = messages(*m_alice).first()["reactions"_L1].toArray();
        QCOMPARE(reactions.size(), 1);
        // Listed with who reacted, by name, as the chat shows it.
        QCOMPARE(fields(reactions.first().toObject(), { u"messageId"_s, u"userId"_s, u"emoji"_s, u"userName"_s }),
                 u"%1 %2 👍 bob"_s.arg(messageId).arg(m_bob->userId()));
    }

    void presenceFollowsTheLastSocket()
    {
        auto alice = live(*m_alice);
        QVERIFY(alice);
        auto bobDesk = live(*m_bob);
        QCOMPARE(fields(alice->waitFor(u"online"_s), { u"userId"_s }), QString::number(m_bob->userId()));
        QVERIFY(conversationIn(*m_alice, m_conversation).value("online"_L1).toBool());

        auto bobPhone = live(*m_bob);
        QVERIFY(bobDesk && bobPhone);
        QVERIFY(alice->staysQuiet(u"online"_s));
        bobDesk.reset();
        QVERIFY(alice->staysQuiet(u"offline"_s));
        bobPhone.reset();
        QCOMPARE(fields(alice->waitFor(u"offline"_s), { u"userId"_s }), QString::number(m_bob->userId()));
    }

    void pagingIsNewestFirst()
    {
        const qint64 conversationId = createPrivate(*m_alice, m_carol->userId());
        for (int i = 1; i <= 7; ++i)
            QVERIFY(send(*m_alice, QString::number(i), conversationId));
        QStringList seen;
        for (int offset = 0; offset < 9; offset += 3) {
            const QJsonArray page = messages(*m_carol, 3, offset, conversationId);
            QCOMPARE(page.size(), offset < 6 ? 3 : 1);
            for (const QJsonValue& message : page)
                seen << message["content"_L1].toString();
        }
        QCOMPARE(seen.join(u' '), u"7 6 5 4 3 2 1"_s);
    }

    void deletedConversationReturnsWithNewMessagesOnly()
    {
        const qint64 conversationId = createPrivate(*m_alice, m_carol->userId());
        QCOMPARE(m_carol->mutation(u"conversations.deleteForUser"_s, QJsonObject { { u"conversationId"_s, conversationId } }).status, 200);
        QVERIFY(conversationIn(*m_carol, conversationId).isEmpty());
        QVERIFY(messages(*m_carol, 50, 0, conversationId).isEmpty());
        QCOMPARE(messages(*m_alice, 50, 0, conversationId).size(), 7);

        QVERIFY(send(*m_alice, u"still there?"_s, conversationId));
        QCOMPARE(conversationIn(*m_carol, conversationId).value("unreadCount"_L1).toInteger(), 1);
        const QJsonArray history = messages(*m_carol, 50, 0, conversationId);
        QCOMPARE(history.size(), 1);
        QCOMPARE(history.first()["content"_L1].toString(), u"still there?"_s);
    }

    void uploadRoundTrip()
    {
        QByteArray file;
        // Over 1 MiB once in Base64: uploads have a larger body limit than other calls.
        for (int i = 0; i < 900000; ++i)
            file.append(char(i * 31 % 256));
        const QString key = announce(file.size(), u"照片.png"_s, u"image/png"_s).data()["fileKey"_L1].toString();
        QVERIFY(!key.isEmpty());
        const QJsonObject completion { { u"fileKey"_s, key }, { u"fileBuffer"_s, QString::fromLatin1(file.toBase64()) }, { u"contentType"_s, u"image/png"_s } };
        QCOMPARE(m_bob->mutation(u"upload.complete"_s, completion).status, 404);
        const HttpResult completed = m_alice->mutation(u"upload.complete"_s, completion);
        QCOMPARE(completed.status, 200);
        const QString url = completed.data()["url"_L1].toString();
        QVERIFY(url.startsWith(u"/uploads/"_s));

        ApiClient anonymous(m_server.baseUrl());
        const HttpResult fetched = anonymous.get(url);
        QCOMPARE(fetched.status, 200);
        QCOMPARE(fetched.contentType, QByteArray("image/png"));
        QCOMPARE(fetched.body, file);
        QCOMPARE(anonymous.get(u"/uploads/"_s + QString(key).replace(0, 1, key.at(0) == u'a' ? u'b' : u'a')).status, 404);
        QCOMPARE(m_alice->mutation(u"upload.complete"_s, completion).status, 409);
    }

    // An upload is served under the server's own origin without a token: it must never
    // run as a page there. Pictures are shown; everything else, SVG too, is saved.
    void uploadsAreNotPages_data()
    {
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QByteArray>("disposition");
        QTest::newRow("page") << u"text/html"_s << QByteArray("attachment");
        QTest::newRow("scripted picture") << u"image/svg+xml"_s << QByteArray("attachment");
        QTest::newRow("script") << u"application/javascript"_s << QByteArray("attachment");
        QTest::newRow("photo") << u"image/png"_s << QByteArray("inline");
        QTest::newRow("photo, type in capitals") << u"IMAGE/JPEG"_s << QByteArray("inline");
    }
    void uploadsAreNotPages()
    {
        QFETCH(QString, contentType);
        QFETCH(QByteArray, disposition);
        const QByteArray file = "<html><script>alert(1)</script></html>";
        const QString key = announce(file.size(), u"page.html"_s, contentType).data()["fileKey"_L1].toString();
        QVERIFY(!key.isEmpty());
        const HttpResult completed = m_alice->mutation(u"upload.complete"_s,
            QJsonObject { { u"fileKey"_s, key }, { u"fileBuffer"_s, QString::fromLatin1(file.toBase64()) }, { u"contentType"_s, contentType } });
        QCOMPARE(completed.status, 200);
        const HttpResult fetched = ApiClient(m_server.baseUrl()).get(completed.data()["url"_L1].toString());
        QCOMPARE(fetched.status, 200);
        QCOMPARE(fetched.headers.value("x-content-type-options"), QByteArray("nosniff"));
        QCOMPARE(fetched.headers.value("content-security-policy"), QByteArray("sandbox"));
        QCOMPARE(fetched.headers.value("content-disposition").split(';').value(0), disposition);
    }

    void uploadRefused_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<int>("status");
        QTest::newRow("size differs") << qint64(4) << u"AAAA"_s << u"text/plain"_s << 400;
        QTest::newRow("not base64") << qint64(3) << u"AA*A"_s << u"text/plain"_s << 400;
        QTest::newRow("header injection") << qint64(3) << u"AAAA"_s << u"text/plain\r\nX-A: b"_s << 400;
        QTest::newRow("over 50 MiB") << (50LL << 20) + 1 << QString() << u"text/plain"_s << 413;
    }
    void uploadRefused()
    {
        QFETCH(qint64, size);
        QFETCH(QString, buffer);
        QFETCH(QString, contentType);
        QFETCH(int, status);
        const HttpResult announced = announce(size);
        const HttpResult completed = announced.status != 200
            ? announced
            : m_alice->mutation(u"upload.complete"_s, QJsonObject { { u"fileKey"_s, announced.data()["fileKey"_L1] }, { u"fileBuffer"_s, buffer },
                                                                    { u"contentType"_s, contentType } });
        QCOMPARE(completed.status, status);
        QVERIFY(!completed.errorMessage().isEmpty());
    }

    // A file's type and name become header lines when the file is served: nothing
    // that could split one is taken.
    void announcementsRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("error");
        const QString notMime = u"fileType must be a MIME type such as image/png"_s;
        QTest::newRow("blank line before a parameter") << u"a.html"_s << u"text/html\r\n\r\n;a=b"_s << notMime;
        QTest::newRow("final line feed") << u"a.html"_s << u"text/html\n"_s << notMime;
        QTest::newRow("NUL") << u"a.html"_s << u"text/html\0"_s << notMime;
        QTest::newRow("something after") << u"a.html"_s << u"text/html <script>"_s << notMime;
        QTest::newRow("NUL in the name") << u"a\0.txt"_s << u"text/plain"_s << u"The file name holds control characters"_s;
        QTest::newRow("line break in the name") << u"a\r\nb.txt"_s << u"text/plain"_s << u"The file name holds control characters"_s;
    }
    void announcementsRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, error);
        m_alice->language = "en";
        const HttpResult refused = announce(3, name, type);
        m_alice->language.clear();
        QCOMPARE(refused.status, 400);
        QCOMPARE(refused.errorMessage(), error);
    }

    // A type stored before it was checked this strictly is served as bytes, never as itself.
    void storedBadTypeIsServedAsBytes()
    {
        const QByteArray file = "<html><script>alert(1)</script></html>";
        const QString key = announce(file.size(), u"old.html"_s, u"text/html"_s).data()["fileKey"_L1].toString();
        const HttpResult completed = m_alice->mutation(u"upload.complete"_s,
            QJsonObject { { u"fileKey"_s, key }, { u"fileBuffer"_s, QString::fromLatin1(file.toBase64()) }, { u"contentType"_s, u"text/html"_s } });
        QCOMPARE(completed.status, 200);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"old-types"_s);
            db.setDatabaseName(m_server.dataDir() + u"/morvane.sqlite3"_s);
            db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
            QVERIFY(db.open());
            QSqlQuery query(db);
            query.prepare(u"UPDATE uploads SET content_type = ? WHERE file_key = ?"_s);
            query.addBindValue(u"text/html\r\n\r\n;a=b"_s);
            query.addBindValue(key);
            QVERIFY(query.exec());
            QCOMPARE(query.numRowsAffected(), 1);
        }
        QSqlDatabase::removeDatabase(u"old-types"_s);
        const HttpResult fetched = ApiClient(m_server.baseUrl()).get(completed.data()["url"_L1].toString());
        QCOMPARE(fetched.status, 200);
        QCOMPARE(fetched.contentType, QByteArray("application/octet-stream"));
        QCOMPARE(fetched.headers.value("x-content-type-options"), QByteArray("nosniff"));
        QCOMPARE(fetched.body, file);
    }

    void framesAreAnsweredInTheOrderTheyCame()
    {
        // The sends are stored away from the event loop; a ping that follows them must still
        // wait for their acknowledgements.
        auto socket = live(*m_alice, u"burst"_s);
        QVERIFY(socket);
        constexpr int kSends = 20;
        for (int i = 0; i < kSends; ++i)
            socket->sendFrame(u"message_send"_s, textFrame(u"burst-%1"_s.arg(i), u"burst %1"_s.arg(i)));
        socket->sendFrame(u"ping"_s, {});
        const QList<QJsonObject> before = socket->framesBefore(u"pong"_s);
        QStringList answered;
        QString previousTime;
        for (const QJsonObject& frame : before) {
            const QJsonObject payload = frame["payload"_L1].toObject();
            answered.append(frame["type"_L1].toString() + u' ' + payload["clientMsgId"_L1].toString());
            // Server message ids are UUIDs (version 7) that begin with their time, so that they
            // sort by it.
            const QString serverMsgId = payload["serverMsgId"_L1].toString();
            QVERIFY2(!QUuid::fromString(serverMsgId).isNull() && serverMsgId.at(14) == u'7'
                    && QStringView(u"89ab").contains(serverMsgId.at(19)),
                qPrintable(serverMsgId));
            QVERIFY2(serverMsgId.left(13) >= previousTime, qPrintable(serverMsgId));
            previousTime = serverMsgId.left(13);
        }
        QStringList expected;
        for (int i = 0; i < kSends; ++i)
            expected.append(u"message_ack burst-%1"_s.arg(i));
        QCOMPARE(answered, expected);
    }

    void acknowledgedMessagesSurviveAKill()
    {
        const qint64 messageId = send(*m_bob, u"written before the crash"_s);
        QVERIFY(messageId > 0);
        m_server.kill();
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_alice->login(u"alice"_s, u"secret123"_s);
        QCOMPARE(messages(*m_alice).first()["id"_L1].toInteger(), messageId);
    }

    void cleanShutdownClosesSocketsWithGoingAway()
    {
        auto alice = live(*m_alice);
        QVERIFY(alice);
        QVERIFY2(m_server.stop(), m_server.serverLog().constData());
        QVERIFY(alice->waitForClose());
        QCOMPARE(alice->closeCode(), 1001);
    }
};

QTEST_GUILESS_MAIN(TestServerChat)
#include "tst_server_chat.moc"
