// End to end: two users chatting through morvane-server, over procedures and "/ws".

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QJsonArray>
#include <QTest>

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

    std::unique_ptr<LiveClient> live(ApiClient& user, const QString& device = QStringLiteral("device"))
    {
        auto client = std::make_unique<LiveClient>(m_server.wsUrl());
        if (!client->authenticate(user.token, user.userId(), device))
            return nullptr;
        return client;
    }

    QJsonObject textFrame(const QString& clientMsgId, const QString& text, qint64 conversationId = 0)
    {
        return { { QStringLiteral("clientMsgId"), clientMsgId },
                 { QStringLiteral("conversationId"), conversationId ? conversationId : m_conversation },
                 { QStringLiteral("type"), QStringLiteral("text") },
                 { QStringLiteral("content"), text } };
    }

    // Sends a text over a fresh socket of the sender and returns its ack.
    QJsonObject send(ApiClient& sender, const QString& text)
    {
        auto socket = live(sender, QStringLiteral("sender"));
        if (!socket)
            return {};
        socket->sendFrame(QStringLiteral("message_send"), textFrame(QStringLiteral("c-%1").arg(++m_sent), text));
        return socket->waitFor(QStringLiteral("message_ack")).value_or(QJsonObject());
    }

    QJsonArray messages(ApiClient& user, int limit = 50, int offset = 0, qint64 conversationId = 0)
    {
        return user.query(QStringLiteral("messages.list"),
                       QJsonObject { { QStringLiteral("conversationId"), conversationId ? conversationId : m_conversation },
                                     { QStringLiteral("limit"), limit }, { QStringLiteral("offset"), offset } })
            .data()
            .toArray();
    }

    QJsonObject conversationIn(ApiClient& user, qint64 id)
    {
        for (const QJsonValue& c : user.query(QStringLiteral("conversations.list")).data().toArray()) {
            if (c[QLatin1StringView("id")].toInteger() == id)
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
        m_alice->registerUser(QStringLiteral("alice"), QStringLiteral("secret123"), QStringLiteral("爱丽丝"));
        m_bob->registerUser(QStringLiteral("bob"));
        m_carol->registerUser(QStringLiteral("carol"));
        QVERIFY(m_alice->userId() && m_bob->userId() && m_carol->userId());
    }

    void privateConversationIsReused()
    {
        const QJsonArray withBob { m_bob->userId() };
        const HttpResult created = m_alice->mutation(QStringLiteral("conversations.create"),
            QJsonObject { { QStringLiteral("type"), QStringLiteral("private") }, { QStringLiteral("memberIds"), withBob } });
        QCOMPARE(created.status, 200);
        m_conversation = created.data()[QLatin1StringView("conversationId")].toInteger();
        QVERIFY(m_conversation > 0);

        const QJsonArray withAlice { m_alice->userId() };
        const HttpResult again = m_bob->mutation(QStringLiteral("conversations.create"),
            QJsonObject { { QStringLiteral("type"), QStringLiteral("private") }, { QStringLiteral("memberIds"), withAlice } });
        QCOMPARE(again.data()[QLatin1StringView("conversationId")].toInteger(), m_conversation);

        const QJsonObject listed = conversationIn(*m_bob, m_conversation);
        QCOMPARE(listed.value(QLatin1StringView("type")).toString(), QStringLiteral("private"));
        QCOMPARE(listed.value(QLatin1StringView("name")).toString(), QStringLiteral("爱丽丝"));

        const QJsonArray members = m_bob->query(QStringLiteral("groups.getMembers"),
                                            QJsonObject { { QStringLiteral("conversationId"), m_conversation } })
                                       .data()
                                       .toArray();
        QCOMPARE(members.size(), 2);
        for (const QJsonValue& member : members)
            QVERIFY(member[QLatin1StringView("userId")].isDouble() && member[QLatin1StringView("online")].isBool());
    }

    void groupIsListedForMembersOnly()
    {
        const HttpResult created = m_alice->mutation(QStringLiteral("conversations.create"),
            QJsonObject { { QStringLiteral("type"), QStringLiteral("group") }, { QStringLiteral("name"), QStringLiteral("读书会") },
                          { QStringLiteral("memberIds"), QJsonArray { m_bob->userId() } } });
        QCOMPARE(created.status, 200);
        const qint64 conversationId = created.data()[QLatin1StringView("conversationId")].toInteger();

        const QJsonArray groups = m_bob->query(QStringLiteral("groups.list")).data().toArray();
        QCOMPARE(groups.size(), 1);
        const QJsonValue group = groups.first();
        QCOMPARE(group[QLatin1StringView("conversationId")].toInteger(), conversationId);
        QCOMPARE(group[QLatin1StringView("name")].toString(), QStringLiteral("读书会"));
        QCOMPARE(group[QLatin1StringView("ownerId")].toInteger(), m_alice->userId());
        QCOMPARE(group[QLatin1StringView("memberCount")].toInteger(), 2);
        QVERIFY(m_carol->query(QStringLiteral("groups.list")).data().toArray().isEmpty());
    }

    void sendAckDeliverAndDuplicate()
    {
        auto aliceSending = live(*m_alice, QStringLiteral("laptop"));
        auto aliceOther = live(*m_alice, QStringLiteral("phone"));
        auto bob = live(*m_bob);
        QVERIFY(aliceSending && aliceOther && bob);

        aliceSending->sendFrame(QStringLiteral("message_send"), textFrame(QStringLiteral("dup-1"), QStringLiteral("你好, Bob")));
        const auto ack = aliceSending->waitFor(QStringLiteral("message_ack"));
        QVERIFY(ack);
        QCOMPARE(ack->value(QLatin1StringView("clientMsgId")).toString(), QStringLiteral("dup-1"));
        QVERIFY(!ack->value(QLatin1StringView("serverMsgId")).toString().isEmpty());
        const qint64 messageId = ack->value(QLatin1StringView("messageId")).toInteger();
        QVERIFY(messageId > 0);
        QCOMPARE(ack->value(QLatin1StringView("isDuplicate")), QJsonValue(false));

        for (LiveClient* receiver : { bob.get(), aliceOther.get() }) {
            const auto deliver = receiver->waitFor(QStringLiteral("message_deliver"));
            QVERIFY(deliver);
            const QJsonObject message = deliver->value(QLatin1StringView("message")).toObject();
            QCOMPARE(message.value(QLatin1StringView("id")).toInteger(), messageId);
            QCOMPARE(message.value(QLatin1StringView("conversationId")).toInteger(), m_conversation);
            QCOMPARE(message.value(QLatin1StringView("senderId")).toInteger(), m_alice->userId());
            QCOMPARE(message.value(QLatin1StringView("type")).toString(), QStringLiteral("text"));
            QCOMPARE(message.value(QLatin1StringView("content")).toString(), QStringLiteral("你好, Bob"));
            QCOMPARE(message.value(QLatin1StringView("clientMessageId")).toString(), QStringLiteral("dup-1"));
            QVERIFY(message.value(QLatin1StringView("createdAt")).toString().endsWith(u'Z'));
        }
        QVERIFY(aliceSending->staysQuiet(QStringLiteral("message_deliver")));

        aliceSending->sendFrame(QStringLiteral("message_send"), textFrame(QStringLiteral("dup-1"), QStringLiteral("你好, Bob")));
        const auto again = aliceSending->waitFor(QStringLiteral("message_ack"));
        QVERIFY(again);
        QCOMPARE(again->value(QLatin1StringView("messageId")).toInteger(), messageId);
        QCOMPARE(again->value(QLatin1StringView("serverMsgId")), ack->value(QLatin1StringView("serverMsgId")));
        QCOMPARE(again->value(QLatin1StringView("isDuplicate")), QJsonValue(true));
        QVERIFY(bob->staysQuiet(QStringLiteral("message_deliver")));
        QCOMPARE(messages(*m_bob).size(), 1);
    }

    void deliveredTypingAndRead()
    {
        auto alice = live(*m_alice);
        auto bob = live(*m_bob, QStringLiteral("desk"));
        auto bobOther = live(*m_bob, QStringLiteral("phone"));
        QVERIFY(alice && bob && bobOther);
        const qint64 messageId = send(*m_alice, QStringLiteral("are you there?")).value(QLatin1StringView("messageId")).toInteger();
        QVERIFY(messageId > 0);
        QCOMPARE(conversationIn(*m_bob, m_conversation).value(QLatin1StringView("unreadCount")).toInteger(), 2);

        bob->sendFrame(QStringLiteral("message_delivered"), { { QStringLiteral("messageId"), messageId } });
        QVERIFY(bob->staysQuiet(QStringLiteral("error")));
        QCOMPARE(messages(*m_alice).first()[QLatin1StringView("status")].toString(), QStringLiteral("delivered"));

        bob->sendFrame(QStringLiteral("typing"), { { QStringLiteral("conversationId"), m_conversation } });
        const auto typing = alice->waitFor(QStringLiteral("typing"));
        QVERIFY(typing);
        QCOMPARE(typing->value(QLatin1StringView("conversationId")).toInteger(), m_conversation);
        QCOMPARE(typing->value(QLatin1StringView("userId")).toInteger(), m_bob->userId());
        QCOMPARE(typing->value(QLatin1StringView("userName")).toString(), QStringLiteral("bob"));
        QVERIFY(bobOther->staysQuiet(QStringLiteral("typing")));

        bob->sendFrame(QStringLiteral("read"), { { QStringLiteral("userId"), m_bob->userId() }, { QStringLiteral("conversationId"), m_conversation } });
        const auto notify = alice->waitFor(QStringLiteral("message_read_notify"));
        QVERIFY(notify);
        QCOMPARE(notify->value(QLatin1StringView("conversationId")).toInteger(), m_conversation);
        QCOMPARE(notify->value(QLatin1StringView("readBy")).toInteger(), m_bob->userId());
        const auto sync = bobOther->waitFor(QStringLiteral("read_sync"));
        QVERIFY(sync);
        QCOMPARE(sync->value(QLatin1StringView("conversationId")).toInteger(), m_conversation);
        QVERIFY(bob->staysQuiet(QStringLiteral("read_sync")));

        QCOMPARE(conversationIn(*m_bob, m_conversation).value(QLatin1StringView("unreadCount")).toInteger(), 0);
        for (const QJsonValue& message : messages(*m_alice))
            QCOMPARE(message[QLatin1StringView("status")].toString(), QStringLiteral("read"));
    }

    void revokeOwnMessagesOnly()
    {
        auto alice = live(*m_alice);
        auto bob = live(*m_bob);
        QVERIFY(alice && bob);
        const qint64 messageId = send(*m_alice, QStringLiteral("oops, wrong chat")).value(QLatin1StringView("messageId")).toInteger();
        const QJsonObject input { { QStringLiteral("messageId"), messageId } };

        QCOMPARE(m_bob->mutation(QStringLiteral("messages.revoke"), input).status, 403);
        QCOMPARE(m_carol->mutation(QStringLiteral("messages.revoke"), input).status, 404);
        QVERIFY(bob->staysQuiet(QStringLiteral("message_revoked")));

        QCOMPARE(m_alice->mutation(QStringLiteral("messages.revoke"), input).status, 200);
        for (LiveClient* socket : { alice.get(), bob.get() }) {
            const auto revoked = socket->waitFor(QStringLiteral("message_revoked"));
            QVERIFY(revoked);
            QCOMPARE(revoked->value(QLatin1StringView("messageId")).toInteger(), messageId);
            QCOMPARE(revoked->value(QLatin1StringView("conversationId")).toInteger(), m_conversation);
        }
        const QJsonValue listed = messages(*m_bob).first();
        QCOMPARE(listed[QLatin1StringView("id")].toInteger(), messageId);
        QCOMPARE(listed[QLatin1StringView("status")].toString(), QStringLiteral("revoked"));
        QVERIFY(listed[QLatin1StringView("revokedAt")].isString());
        QVERIFY(listed[QLatin1StringView("content")].isUndefined());
    }

    void reactionsArePushedOnce()
    {
        auto alice = live(*m_alice);
        QVERIFY(alice);
        const qint64 messageId = send(*m_alice, QStringLiteral("lunch?")).value(QLatin1StringView("messageId")).toInteger();
        const QJsonObject input { { QStringLiteral("messageId"), messageId }, { QStringLiteral("emoji"), QStringLiteral("👍") } };

        QCOMPARE(m_bob->mutation(QStringLiteral("messages.addReaction"), input).status, 200);
        const auto reaction = alice->waitFor(QStringLiteral("reaction"));
        QVERIFY(reaction);
        QCOMPARE(reaction->value(QLatin1StringView("messageId")).toInteger(), messageId);
        QCOMPARE(reaction->value(QLatin1StringView("userId")).toInteger(), m_bob->userId());
        QCOMPARE(reaction->value(QLatin1StringView("emoji")).toString(), QStringLiteral("👍"));
        QCOMPARE(reaction->value(QLatin1StringView("action")).toString(), QStringLiteral("add"));

        QCOMPARE(m_bob->mutation(QStringLiteral("messages.addReaction"), input).status, 200);
        QVERIFY(alice->staysQuiet(QStringLiteral("reaction")));
        QCOMPARE(m_carol->mutation(QStringLiteral("messages.addReaction"), input).status, 404);

        const QJsonArray reactions = messages(*m_alice).first()[QLatin1StringView("reactions")].toArray();
        QCOMPARE(reactions.size(), 1);
        QCOMPARE(reactions.first()[QLatin1StringView("userId")].toInteger(), m_bob->userId());
        QCOMPARE(reactions.first()[QLatin1StringView("messageId")].toInteger(), messageId);
    }

    void presenceFollowsTheLastSocket()
    {
        auto alice = live(*m_alice);
        QVERIFY(alice);
        auto bobDesk = live(*m_bob);
        QVERIFY(bobDesk);
        const auto online = alice->waitFor(QStringLiteral("online"));
        QVERIFY(online);
        QCOMPARE(online->value(QLatin1StringView("userId")).toInteger(), m_bob->userId());
        QVERIFY(conversationIn(*m_alice, m_conversation).value(QLatin1StringView("online")).toBool());

        auto bobPhone = live(*m_bob);
        QVERIFY(bobPhone);
        QVERIFY(alice->staysQuiet(QStringLiteral("online")));
        bobDesk.reset();
        QVERIFY(alice->staysQuiet(QStringLiteral("offline")));
        bobPhone.reset();
        const auto offline = alice->waitFor(QStringLiteral("offline"));
        QVERIFY(offline);
        QCOMPARE(offline->value(QLatin1StringView("userId")).toInteger(), m_bob->userId());
        // Carol shares nothing with Bob and hears nothing of him.
        QCOMPARE(m_carol->query(QStringLiteral("conversations.list")).data().toArray().size(), 0);
    }

    void pagingIsNewestFirst()
    {
        const QJsonArray withCarol { m_carol->userId() };
        const qint64 conversationId = m_alice->mutation(QStringLiteral("conversations.create"),
                                                  QJsonObject { { QStringLiteral("type"), QStringLiteral("private") }, { QStringLiteral("memberIds"), withCarol } })
                                          .data()[QLatin1StringView("conversationId")]
                                          .toInteger();
        auto alice = live(*m_alice);
        QVERIFY(alice);
        for (int i = 1; i <= 7; ++i) {
            alice->sendFrame(QStringLiteral("message_send"), textFrame(QStringLiteral("page-%1").arg(i), QString::number(i), conversationId));
            QVERIFY(alice->waitFor(QStringLiteral("message_ack")));
        }
        QStringList seen;
        for (int offset = 0; offset < 9; offset += 3) {
            const QJsonArray page = messages(*m_carol, 3, offset, conversationId);
            QCOMPARE(page.size(), offset < 6 ? 3 : 1);
            for (const QJsonValue& message : page)
                seen << message[QLatin1StringView("content")].toString();
        }
        QCOMPARE(seen, (QStringList { QStringLiteral("7"), QStringLiteral("6"), QStringLiteral("5"), QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1") }));
    }

    void deletedConversationReturnsWithNewMessagesOnly()
    {
        const QJsonArray withCarol { m_carol->userId() };
        const qint64 conversationId = m_alice->mutation(QStringLiteral("conversations.create"),
                                                  QJsonObject { { QStringLiteral("type"), QStringLiteral("private") }, { QStringLiteral("memberIds"), withCarol } })
                                          .data()[QLatin1StringView("conversationId")]
                                          .toInteger();
        QCOMPARE(m_carol->mutation(QStringLiteral("conversations.deleteForUser"), QJsonObject { { QStringLiteral("conversationId"), conversationId } }).status, 200);
        QVERIFY(conversationIn(*m_carol, conversationId).isEmpty());
        QVERIFY(messages(*m_carol, 50, 0, conversationId).isEmpty());
        QCOMPARE(messages(*m_alice, 50, 0, conversationId).size(), 7);

        auto alice = live(*m_alice);
        QVERIFY(alice);
        alice->sendFrame(QStringLiteral("message_send"), textFrame(QStringLiteral("after-delete"), QStringLiteral("still there?"), conversationId));
        QVERIFY(alice->waitFor(QStringLiteral("message_ack")));
        const QJsonObject listed = conversationIn(*m_carol, conversationId);
        QCOMPARE(listed.value(QLatin1StringView("unreadCount")).toInteger(), 1);
        const QJsonArray history = messages(*m_carol, 50, 0, conversationId);
        QCOMPARE(history.size(), 1);
        QCOMPARE(history.first()[QLatin1StringView("content")].toString(), QStringLiteral("still there?"));
    }

    void uploadRoundTrip()
    {
        QByteArray file;
        // Over 1 MiB once in Base64: uploads have a larger body limit than other calls.
        for (int i = 0; i < 900000; ++i)
            file.append(char(i * 31 % 256));
        const HttpResult announced = m_alice->mutation(QStringLiteral("upload.getPresignedUrl"),
            QJsonObject { { QStringLiteral("fileName"), QStringLiteral("照片.png") }, { QStringLiteral("fileType"), QStringLiteral("image/png") },
                          { QStringLiteral("fileSize"), file.size() } });
        QCOMPARE(announced.status, 200);
        const QString key = announced.data()[QLatin1StringView("fileKey")].toString();
        QVERIFY(!key.isEmpty());
        const QJsonObject completion { { QStringLiteral("fileKey"), key }, { QStringLiteral("fileBuffer"), QString::fromLatin1(file.toBase64()) },
                                       { QStringLiteral("contentType"), QStringLiteral("image/png") } };

        QCOMPARE(m_bob->mutation(QStringLiteral("upload.complete"), completion).status, 404);
        const HttpResult completed = m_alice->mutation(QStringLiteral("upload.complete"), completion);
        QCOMPARE(completed.status, 200);
        const QString url = completed.data()[QLatin1StringView("url")].toString();
        QVERIFY(url.startsWith(QStringLiteral("/uploads/")));

        ApiClient anonymous(m_server.baseUrl());
        const HttpResult fetched = anonymous.get(url);
        QCOMPARE(fetched.status, 200);
        QCOMPARE(fetched.contentType, QByteArray("image/png"));
        QCOMPARE(fetched.body, file);
        QCOMPARE(anonymous.get(QStringLiteral("/uploads/") + QString(key).replace(0, 1, key.at(0) == u'a' ? u'b' : u'a')).status, 404);
        QCOMPARE(m_alice->mutation(QStringLiteral("upload.complete"), completion).status, 409);
    }

    void uploadRefused_data()
    {
        QTest::addColumn<qint64>("announced");
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<int>("status");
        QTest::newRow("size differs") << qint64(4) << QStringLiteral("AAAA") << QStringLiteral("text/plain") << 400;
        QTest::newRow("not base64") << qint64(3) << QStringLiteral("AA*A") << QStringLiteral("text/plain") << 400;
        QTest::newRow("header injection") << qint64(3) << QStringLiteral("AAAA") << QStringLiteral("text/plain\r\nX-A: b") << 400;
        QTest::newRow("over 50 MiB") << (50LL << 20) + 1 << QString() << QStringLiteral("text/plain") << 413;
    }

    void uploadRefused()
    {
        QFETCH(qint64, announced);
        QFETCH(QString, buffer);
        QFETCH(QString, contentType);
        QFETCH(int, status);
        const HttpResult announce = m_alice->mutation(QStringLiteral("upload.getPresignedUrl"),
            QJsonObject { { QStringLiteral("fileName"), QStringLiteral("a.txt") }, { QStringLiteral("fileType"), QStringLiteral("text/plain") },
                          { QStringLiteral("fileSize"), announced } });
        if (announce.status != 200) {
            QCOMPARE(announce.status, status);
            return;
        }
        const HttpResult completed = m_alice->mutation(QStringLiteral("upload.complete"),
            QJsonObject { { QStringLiteral("fileKey"), announce.data()[QLatin1StringView("fileKey")] },
                          { QStringLiteral("fileBuffer"), buffer }, { QStringLiteral("contentType"), contentType } });
        QCOMPARE(completed.status, status);
        QVERIFY(!completed.errorMessage().isEmpty());
    }

    void acknowledgedMessagesSurviveAKill()
    {
        const QJsonObject ack = send(*m_bob, QStringLiteral("written before the crash"));
        const qint64 messageId = ack.value(QLatin1StringView("messageId")).toInteger();
        QVERIFY(messageId > 0);
        m_server.kill();
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_alice->login(QStringLiteral("alice"), QStringLiteral("secret123"));
        QCOMPARE(messages(*m_alice).first()[QLatin1StringView("id")].toInteger(), messageId);
    }

    void cleanShutdownClosesSocketsWithGoingAway()
    {
        m_bob = std::make_unique<ApiClient>(m_server.baseUrl());
        m_bob->login(QStringLiteral("bob"), QStringLiteral("secret123"));
        auto bob = live(*m_bob);
        QVERIFY(bob);
        QVERIFY2(m_server.stop(), m_server.serverLog().constData());
        QVERIFY(bob->waitForClose());
        QCOMPARE(bob->closeCode(), 1001);
    }
};

QTEST_GUILESS_MAIN(TestServerChat)
#include "tst_server_chat.moc"
