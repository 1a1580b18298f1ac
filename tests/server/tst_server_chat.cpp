// End to end: two users chatting through morvane-server, over procedures and "/ws".

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

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
        if (!client->authenticate(user.token, user.userId(), device))
            return nullptr;
        return client;
    }

    QJsonObject textFrame(const QString& clientMsgId, const QString& text, qint64 conversationId = 0)
    {
        return { { u"clientMsgId"_s, clientMsgId }, { u"conversationId"_s, conversationId ? conversationId : m_conversation },
                 { u"type"_s, u"text"_s }, { u"content"_s, text } };
    }

    // Sends a text over a fresh socket of the sender and returns its ack.
    QJsonObject send(ApiClient& sender, const QString& text)
    {
        auto socket = live(sender, u"sender"_s);
        if (!socket)
            return {};
        socket->sendFrame(u"message_send"_s, textFrame(u"c-%1"_s.arg(++m_sent), text));
        return socket->waitFor(u"message_ack"_s).value_or(QJsonObject());
    }

    QJsonArray messages(ApiClient& user, int limit = 50, int offset = 0, qint64 conversationId = 0)
    {
        const QJsonObject input { { u"conversationId"_s, conversationId ? conversationId : m_conversation }, { u"limit"_s, limit },
                                  { u"offset"_s, offset } };
        return user.query(u"messages.list"_s, input).data().toArray();
    }

    static qint64 create(ApiClient& user, const QString& type, const QJsonArray& memberIds, const QString& name = {})
    {
        QJsonObject input { { u"type"_s, type }, { u"memberIds"_s, memberIds } };
        if (!name.isEmpty())
            input.insert(u"name"_s, name);
        return user.mutation(u"conversations.create"_s, input).data()["conversationId"_L1].toInteger();
    }

    HttpResult announce(const QString& name, const QString& type, qint64 size)
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
        m_conversation = create(*m_alice, u"private"_s, { m_bob->userId() });
        QVERIFY(m_conversation > 0);
        QCOMPARE(create(*m_bob, u"private"_s, { m_alice->userId() }), m_conversation);

        const QJsonObject listed = conversationIn(*m_bob, m_conversation);
        QCOMPARE(listed.value("type"_L1).toString(), u"private"_s);
        QCOMPARE(listed.value("name"_L1).toString(), u"爱丽丝"_s);

        QCOMPARE(m_bob->query(u"groups.getMembers"_s, QJsonObject { { u"conversationId"_s, m_conversation } }).data().toArray().size(), 2);
    }

    void groupIsListedForMembersOnly()
    {
        const qint64 conversationId = create(*m_alice, u"group"_s, { m_bob->userId() }, u"读书会"_s);
        QVERIFY(conversationId > 0);

        const QJsonArray groups = m_bob->query(u"groups.list"_s).data().toArray();
        QCOMPARE(groups.size(), 1);
        const QJsonValue group = groups.first();
        QCOMPARE(group["conversationId"_L1].toInteger(), conversationId);
        QCOMPARE(group["name"_L1].toString(), u"读书会"_s);
        QCOMPARE(group["ownerId"_L1].toInteger(), m_alice->userId());
        QCOMPARE(group["memberCount"_L1].toInteger(), 2);
        QVERIFY(m_carol->query(u"groups.list"_s).data().toArray().isEmpty());
    }

    void sendAckDeliverAndDuplicate()
    {
        auto aliceSending = live(*m_alice, u"laptop"_s);
        auto aliceOther = live(*m_alice, u"phone"_s);
        auto bob = live(*m_bob);
        QVERIFY(aliceSending && aliceOther && bob);

        aliceSending->sendFrame(u"message_send"_s, textFrame(u"dup-1"_s, u"你好, Bob"_s));
        const auto ack = aliceSending->waitFor(u"message_ack"_s);
        QVERIFY(ack);
        QCOMPARE(ack->value("clientMsgId"_L1).toString(), u"dup-1"_s);
        QVERIFY(!ack->value("serverMsgId"_L1).toString().isEmpty());
        const qint64 messageId = ack->value("messageId"_L1).toInteger();
        QVERIFY(messageId > 0);
        QCOMPARE(ack->value("isDuplicate"_L1), QJsonValue(false));

        for (LiveClient* receiver : { bob.get(), aliceOther.get() }) {
            const auto deliver = receiver->waitFor(u"message_deliver"_s);
            QVERIFY(deliver);
            const QJsonObject message = deliver->value("message"_L1).toObject();
            QCOMPARE(message.value("id"_L1).toInteger(), messageId);
            QCOMPARE(message.value("conversationId"_L1).toInteger(), m_conversation);
            QCOMPARE(message.value("senderId"_L1).toInteger(), m_alice->userId());
            QCOMPARE(message.value("content"_L1).toString(), u"你好, Bob"_s);
            QCOMPARE(message.value("clientMessageId"_L1).toString(), u"dup-1"_s);
        }
        QVERIFY(aliceSending->staysQuiet(u"message_deliver"_s));

        aliceSending->sendFrame(u"message_send"_s, textFrame(u"dup-1"_s, u"你好, Bob"_s));
        const auto again = aliceSending->waitFor(u"message_ack"_s);
        QVERIFY(again);
        QCOMPARE(again->value("messageId"_L1).toInteger(), messageId);
        QCOMPARE(again->value("serverMsgId"_L1), ack->value("serverMsgId"_L1));
        QCOMPARE(again->value("isDuplicate"_L1), QJsonValue(true));
        QVERIFY(bob->staysQuiet(u"message_deliver"_s));
        QCOMPARE(messages(*m_bob).size(), 1);
    }

    void deliveredTypingAndRead()
    {
        auto alice = live(*m_alice);
        auto bob = live(*m_bob, u"desk"_s);
        auto bobOther = live(*m_bob, u"phone"_s);
        QVERIFY(alice && bob && bobOther);
        const qint64 messageId = send(*m_alice, u"are you there?"_s).value("messageId"_L1).toInteger();
        QVERIFY(messageId > 0);
        QCOMPARE(conversationIn(*m_bob, m_conversation).value("unreadCount"_L1).toInteger(), 2);

        bob->sendFrame(u"message_delivered"_s, { { u"messageId"_s, messageId } });
        QVERIFY(bob->staysQuiet(u"error"_s));
        QCOMPARE(messages(*m_alice).first()["status"_L1].toString(), u"delivered"_s);

        bob->sendFrame(u"typing"_s, { { u"conversationId"_s, m_conversation } });
        const auto typing = alice->waitFor(u"typing"_s);
        QVERIFY(typing);
        QCOMPARE(typing->value("conversationId"_L1).toInteger(), m_conversation);
        QCOMPARE(typing->value("userId"_L1).toInteger(), m_bob->userId());
        QCOMPARE(typing->value("userName"_L1).toString(), u"bob"_s);
        QVERIFY(bobOther->staysQuiet(u"typing"_s));

        bob->sendFrame(u"read"_s, { { u"userId"_s, m_bob->userId() }, { u"conversationId"_s, m_conversation } });
        const auto notify = alice->waitFor(u"message_read_notify"_s);
        QVERIFY(notify);
        QCOMPARE(notify->value("conversationId"_L1).toInteger(), m_conversation);
        QCOMPARE(notify->value("readBy"_L1).toInteger(), m_bob->userId());
        const auto sync = bobOther->waitFor(u"read_sync"_s);
        QVERIFY(sync);
        QCOMPARE(sync->value("conversationId"_L1).toInteger(), m_conversation);
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
        const qint64 messageId = send(*m_alice, u"oops, wrong chat"_s).value("messageId"_L1).toInteger();
        const QJsonObject input { { u"messageId"_s, messageId } };

        QCOMPARE(m_bob->mutation(u"messages.revoke"_s, input).status, 403);
        QCOMPARE(m_carol->mutation(u"messages.revoke"_s, input).status, 404);
        QVERIFY(bob->staysQuiet(u"message_revoked"_s));

        QCOMPARE(m_alice->mutation(u"messages.revoke"_s, input).status, 200);
        for (LiveClient* socket : { alice.get(), bob.get() }) {
            const auto revoked = socket->waitFor(u"message_revoked"_s);
            QVERIFY(revoked);
            QCOMPARE(revoked->value("messageId"_L1).toInteger(), messageId);
            QCOMPARE(revoked->value("conversationId"_L1).toInteger(), m_conversation);
        }
        const QJsonValue listed = messages(*m_bob).first();
        QCOMPARE(listed["id"_L1].toInteger(), messageId);
        QCOMPARE(listed["status"_L1].toString(), u"revoked"_s);
        QVERIFY(listed["revokedAt"_L1].isString());
        QVERIFY(listed["content"_L1].isUndefined());
    }

    void reactionsArePushedOnce()
    {
        auto alice = live(*m_alice);
        QVERIFY(alice);
        const qint64 messageId = send(*m_alice, u"lunch?"_s).value("messageId"_L1).toInteger();
        const QJsonObject input { { u"messageId"_s, messageId }, { u"emoji"_s, u"👍"_s } };

        QCOMPARE(m_bob->mutation(u"messages.addReaction"_s, input).status, 200);
        const auto reaction = alice->waitFor(u"reaction"_s);
        QVERIFY(reaction);
        QCOMPARE(reaction->value("messageId"_L1).toInteger(), messageId);
        QCOMPARE(reaction->value("userId"_L1).toInteger(), m_bob->userId());
        QCOMPARE(reaction->value("emoji"_L1).toString(), u"👍"_s);
        QCOMPARE(reaction->value("action"_L1).toString(), u"add"_s);

        QCOMPARE(m_bob->mutation(u"messages.addReaction"_s, input).status, 200);
        QVERIFY(alice->staysQuiet(u"reaction"_s));
        QCOMPARE(m_carol->mutation(u"messages.addReaction"_s, input).status, 404);

        const QJsonArray reactions = messages(*m_alice).first()["reactions"_L1].toArray();
        QCOMPARE(reactions.size(), 1);
        QCOMPARE(reactions.first()["userId"_L1].toInteger(), m_bob->userId());
        QCOMPARE(reactions.first()["messageId"_L1].toInteger(), messageId);
    }

    void presenceFollowsTheLastSocket()
    {
        auto alice = live(*m_alice);
        QVERIFY(alice);
        auto bobDesk = live(*m_bob);
        QVERIFY(bobDesk);
        const auto online = alice->waitFor(u"online"_s);
        QVERIFY(online);
        QCOMPARE(online->value("userId"_L1).toInteger(), m_bob->userId());
        QVERIFY(conversationIn(*m_alice, m_conversation).value("online"_L1).toBool());

        auto bobPhone = live(*m_bob);
        QVERIFY(bobPhone);
        QVERIFY(alice->staysQuiet(u"online"_s));
        bobDesk.reset();
        QVERIFY(alice->staysQuiet(u"offline"_s));
        bobPhone.reset();
        const auto offline = alice->waitFor(u"offline"_s);
        QVERIFY(offline);
        QCOMPARE(offline->value("userId"_L1).toInteger(), m_bob->userId());
        // Carol shares nothing with Bob and hears nothing of him.
        QCOMPARE(m_carol->query(u"conversations.list"_s).data().toArray().size(), 0);
    }

    void pagingIsNewestFirst()
    {
        const qint64 conversationId = create(*m_alice, u"private"_s, { m_carol->userId() });
        auto alice = live(*m_alice);
        QVERIFY(alice);
        for (int i = 1; i <= 7; ++i) {
            alice->sendFrame(u"message_send"_s, textFrame(u"page-%1"_s.arg(i), QString::number(i), conversationId));
            QVERIFY(alice->waitFor(u"message_ack"_s));
        }
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
        const qint64 conversationId = create(*m_alice, u"private"_s, { m_carol->userId() });
        QCOMPARE(m_carol->mutation(u"conversations.deleteForUser"_s, QJsonObject { { u"conversationId"_s, conversationId } }).status, 200);
        QVERIFY(conversationIn(*m_carol, conversationId).isEmpty());
        QVERIFY(messages(*m_carol, 50, 0, conversationId).isEmpty());
        QCOMPARE(messages(*m_alice, 50, 0, conversationId).size(), 7);

        auto alice = live(*m_alice);
        QVERIFY(alice);
        alice->sendFrame(u"message_send"_s, textFrame(u"after-delete"_s, u"still there?"_s, conversationId));
        QVERIFY(alice->waitFor(u"message_ack"_s));
        const QJsonObject listed = conversationIn(*m_carol, conversationId);
        QCOMPARE(listed.value("unreadCount"_L1).toInteger(), 1);
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
        const QString key = announce(u"照片.png"_s, u"image/png"_s, file.size()).data()["fileKey"_L1].toString();
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
        const HttpResult announced = announce(u"a.txt"_s, u"text/plain"_s, size);
        if (announced.status != 200) {
            QCOMPARE(announced.status, status);
            return;
        }
        const QJsonObject input { { u"fileKey"_s, announced.data()["fileKey"_L1] }, { u"fileBuffer"_s, buffer }, { u"contentType"_s, contentType } };
        const HttpResult completed = m_alice->mutation(u"upload.complete"_s, input);
        QCOMPARE(completed.status, status);
        QVERIFY(!completed.errorMessage().isEmpty());
    }

    void acknowledgedMessagesSurviveAKill()
    {
        const QJsonObject ack = send(*m_bob, u"written before the crash"_s);
        const qint64 messageId = ack.value("messageId"_L1).toInteger();
        QVERIFY(messageId > 0);
        m_server.kill();
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_alice->login(u"alice"_s, u"secret123"_s);
        QCOMPARE(messages(*m_alice).first()["id"_L1].toInteger(), messageId);
    }

    void cleanShutdownClosesSocketsWithGoingAway()
    {
        m_bob = std::make_unique<ApiClient>(m_server.baseUrl());
        m_bob->login(u"bob"_s, u"secret123"_s);
        auto bob = live(*m_bob);
        QVERIFY(bob);
        QVERIFY2(m_server.stop(), m_server.serverLog().constData());
        QVERIFY(bob->waitForClose());
        QCOMPARE(bob->closeCode(), 1001);
    }
};

QTEST_GUILESS_MAIN(TestServerChat)
#include "tst_server_chat.moc"
