// End to end: a block cuts private traffic and presence both ways, shared groups go on,
// and a group's first members must be the creator's contacts who have not blocked them.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

class TestServerBlocking : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    int m_users = 0;

    std::unique_ptr<ApiClient> newUser()
    {
        auto user = std::make_unique<ApiClient>(m_server.baseUrl());
        user->registerUser(u"blk%1"_s.arg(++m_users));
        return user;
    }

    std::unique_ptr<LiveClient> live(ApiClient& user)
    {
        auto client = std::make_unique<LiveClient>(m_server.wsUrl());
        return client->authenticate(user.token, user.userId()) ? std::move(client) : nullptr;
    }

    static void befriend(ApiClient& from, ApiClient& to)
    {
        from.mutation(u"contacts.sendFriendRequest"_s, QJsonObject { { u"toUserId"_s, to.userId() } });
        const qint64 request = to.query(u"contacts.getFriendRequests"_s).data()[0]["id"_L1].toInteger();
        QCOMPARE(to.mutation(u"contacts.acceptFriendRequest"_s, QJsonObject { { u"requestId"_s, request } }).status, 200);
    }

    // The wire has no "block" call (only "contacts.unblock"): the flag is set the way
    // the blacklist keeps it, in the blocker's contact entry.
    void block(const ApiClient& blocker, const ApiClient& blocked)
    {
        const QString name = u"blocker-%1"_s.arg(blocker.userId());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
            db.setDatabaseName(m_server.dataDir() + u"/morvane.sqlite3"_s);
            db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
            QVERIFY(db.open());
            QSqlQuery query(db);
            query.prepare(u"UPDATE contacts SET blocked = 1 WHERE user_id = ? AND contact_id = ?"_s);
            query.addBindValue(blocker.userId());
            query.addBindValue(blocked.userId());
            QVERIFY(query.exec());
            QCOMPARE(query.numRowsAffected(), 1);
        }
        QSqlDatabase::removeDatabase(name);
    }

    static HttpResult openPrivate(ApiClient& user, qint64 with)
    {
        return user.mutation(u"conversations.create"_s, QJsonObject { { u"type"_s, u"private"_s }, { u"memberIds"_s, QJsonArray { with } } });
    }

    static HttpResult createGroup(ApiClient& owner, const QList<qint64>& members)
    {
        QJsonArray ids;
        for (const qint64 id : members)
            ids.append(id);
        return owner.mutation(u"conversations.create"_s, QJsonObject { { u"type"_s, u"group"_s }, { u"name"_s, u"Club"_s }, { u"memberIds"_s, ids } });
    }

    static QJsonObject text(qint64 conversationId, const QString& clientMsgId)
    {
        return { { u"clientMsgId"_s, clientMsgId }, { u"conversationId"_s, conversationId }, { u"type"_s, u"text"_s }, { u"content"_s, u"hello"_s } };
    }

    // The online flag of `whom` in each list and search that `viewer` can ask for.
    static QList<bool> onlineFlags(ApiClient& viewer, const ApiClient& whom, qint64 privateConversation, qint64 group)
    {
        const auto find = [](const QJsonArray& list, const char* key, qint64 id) {
            for (const QJsonValue& entry : list) {
                if (entry[QLatin1StringView(key)].toInteger() == id)
                    return entry.toObject();
            }
            return QJsonObject();
        };
        const QJsonObject contact = find(viewer.query(u"contacts.list"_s).data().toArray(), "contactId", whom.userId());
        const QJsonObject chat = find(viewer.query(u"conversations.list"_s).data().toArray(), "id", privateConversation);
        const QJsonObject found = find(viewer.query(u"user.search"_s, QJsonObject { { u"keyword"_s, u"blk"_s } }).data().toArray(), "id", whom.userId());
        const QJsonObject member = find(viewer.query(u"groups.getMembers"_s, QJsonObject { { u"conversationId"_s, group } }).data().toArray(),
            "userId", whom.userId());
        return { contact["user"_L1]["online"_L1].toBool(), chat["online"_L1].toBool(), found["online"_L1].toBool(), member["online"_L1].toBool() };
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_server.start(), qPrintable(m_server.errorString())); }

    // "mine": the acting user blocked the other; "theirs": the other blocked the actor.
    void blockStopsPrivateTraffic_data()
    {
        QTest::addColumn<bool>("actorBlocks");
        QTest::newRow("actor blocked the other") << true;
        QTest::newRow("other blocked the actor") << false;
    }

    void blockStopsPrivateTraffic()
    {
        QFETCH(bool, actorBlocks);
        auto actor = newUser();
        auto other = newUser();
        befriend(*actor, *other);
        const qint64 chat = openPrivate(*actor, other->userId()).data()["conversationId"_L1].toInteger();
        const qint64 group = createGroup(*actor, { other->userId() }).data()["conversationId"_L1].toInteger();
        QVERIFY(chat > 0 && group > 0);
        auto actorLive = live(*actor);
        auto otherLive = live(*other);
        QVERIFY(actorLive && otherLive);
        if (actorBlocks)
            block(*actor, *other);
        else
            block(*other, *actor);

        // Neither side may (re)open the private conversation.
        for (ApiClient* user : { actor.get(), other.get() }) {
            const HttpResult opened = openPrivate(*user, user == actor.get() ? other->userId() : actor->userId());
            QCOMPARE(opened.status, 403);
            QVERIFY(!opened.errorMessage().isEmpty());
        }

        actorLive->sendFrame(u"message_send"_s, text(chat, u"blocked-1"_s));
        const auto refused = actorLive->waitFor(u"error"_s);
        QVERIFY(refused);
        QCOMPARE((*refused)["code"_L1].toString(), u"FORBIDDEN"_s);
        QCOMPARE((*refused)["clientMsgId"_L1].toString(), u"blocked-1"_s);
        QVERIFY(!(*refused)["reason"_L1].toString().isEmpty());
        QVERIFY(otherLive->staysQuiet(u"message_deliver"_s));
        QCOMPARE(other->query(u"messages.list"_s, QJsonObject { { u"conversationId"_s, chat }, { u"limit"_s, 10 }, { u"offset"_s, 0 } })
                     .data().toArray().size(),
            0);

        actorLive->sendFrame(u"typing"_s, QJsonObject { { u"conversationId"_s, chat } });
        QCOMPARE(actorLive->waitFor(u"error"_s).value_or(QJsonObject())["code"_L1].toString(), u"FORBIDDEN"_s);
        QVERIFY(otherLive->staysQuiet(u"typing"_s));

        // A group they share is not private traffic: messages go on; who is typing
        // there does not cross the block (see blockStopsReactionsAndReceipts).
        actorLive->sendFrame(u"message_send"_s, text(group, u"group-1"_s));
        QVERIFY(actorLive->waitFor(u"message_ack"_s));
        QVERIFY(otherLive->waitFor(u"message_deliver"_s));
    }

    void blockHidesPresence_data()
    {
        QTest::addColumn<int>("blocker"); // 0: nobody, 1: the watcher, 2: the one coming online
        QTest::addColumn<bool>("seen");
        QTest::newRow("no block") << 0 << true;
        QTest::newRow("watcher blocked") << 1 << false;
        QTest::newRow("watched blocked") << 2 << false;
    }

    void blockHidesPresence()
    {
        QFETCH(int, blocker);
        QFETCH(bool, seen);
        auto watcher = newUser();
        auto watched = newUser();
        befriend(*watched, *watcher);
        const qint64 chat = openPrivate(*watcher, watched->userId()).data()["conversationId"_L1].toInteger();
        const qint64 group = createGroup(*watcher, { watched->userId() }).data()["conversationId"_L1].toInteger();
        QVERIFY(chat > 0 && group > 0);
        if (blocker == 1)
            block(*watcher, *watched);
        else if (blocker == 2)
            block(*watched, *watcher);

        auto watcherLive = live(*watcher);
        QVERIFY(watcherLive);
        auto watchedLive = live(*watched);
        QVERIFY(watchedLive);
        if (seen) {
            QVERIFY(watcherLive->waitFor(u"online"_s));
            // The one arriving second is told who is already here.
            QVERIFY(watchedLive->waitFor(u"online"_s));
        } else {
            QVERIFY(watcherLive->staysQuiet(u"online"_s));
            QVERIFY(watchedLive->staysQuiet(u"online"_s));
        }
        const QList<bool> expected(4, seen);
        QCOMPARE(onlineFlags(*watcher, *watched, chat, group), expected);
        QCOMPARE(onlineFlags(*watched, *watcher, chat, group), expected);

        watchedLive.reset();
        if (seen)
            QVERIFY(watcherLive->waitFor(u"offline"_s));
        else
            QVERIFY(watcherLive->staysQuiet(u"offline"_s));
    }

    // Reactions, read receipts and typing are traffic too: across a block, in the
    // private conversation and in a shared group, whichever side blocked.
    void blockStopsReactionsAndReceipts_data()
    {
        QTest::addColumn<bool>("readerBlocks"); // the reader blocked the writer, or the other way
        QTest::addColumn<bool>("inGroup");
        QTest::newRow("reader blocked, private") << true << false;
        QTest::newRow("writer blocked, private") << false << false;
        QTest::newRow("reader blocked, group") << true << true;
        QTest::newRow("writer blocked, group") << false << true;
    }

    void blockStopsReactionsAndReceipts()
    {
        QFETCH(bool, readerBlocks);
        QFETCH(bool, inGroup);
        auto writer = newUser();
        auto reader = newUser();
        auto bystander = newUser();
        befriend(*writer, *reader);
        befriend(*bystander, *writer);
        const qint64 chat = inGroup ? createGroup(*writer, { reader->userId(), bystander->userId() }).data()["conversationId"_L1].toInteger()
                                    : openPrivate(*writer, reader->userId()).data()["conversationId"_L1].toInteger();
        QVERIFY(chat > 0);
        auto writerLive = live(*writer);
        auto readerLive = live(*reader);
        QVERIFY(writerLive && readerLive);
        const auto send = [&](LiveClient& from, const QString& id) -> qint64 {
            from.sendFrame(u"message_send"_s, text(chat, id));
            const auto ack = from.waitFor(u"message_ack"_s);
            return ack ? (*ack)["messageId"_L1].toInteger() : 0;
        };
        const qint64 written = send(*writerLive, u"before-1"_s);
        const qint64 ownMessage = send(*readerLive, u"before-2"_s);
        QVERIFY(written > 0 && ownMessage > 0);
        if (readerBlocks)
            block(*reader, *writer);
        else
            block(*writer, *reader);

        // Reactions: refused both ways, nothing pushed.
        const auto react = [](ApiClient& user, qint64 messageId) {
            return user.mutation(u"messages.addReaction"_s, QJsonObject { { u"messageId"_s, messageId }, { u"emoji"_s, u"<script>"_s } });
        };
        QCOMPARE(react(*reader, written).status, 403);
        QCOMPARE(react(*writer, ownMessage).status, 403);
        QVERIFY(writerLive->staysQuiet(u"reaction"_s));
        QVERIFY(readerLive->staysQuiet(u"reaction"_s));

        // The read: the reader's own state moves on, the writer learns nothing.
        QCOMPARE(reader->mutation(u"conversations.markAsRead"_s, QJsonObject { { u"conversationId"_s, chat } }).status, 200);
        QVERIFY(writerLive->staysQuiet(u"message_read_notify"_s));
        const QJsonArray seenByWriter
            = writer->query(u"messages.list"_s, QJsonObject { { u"conversationId"_s, chat }, { u"limit"_s, 10 }, { u"offset"_s, 0 } }).data().toArray();
        QVERIFY(!seenByWriter.isEmpty());
        for (const QJsonValue& message : seenByWriter) {
            if (message["id"_L1].toInteger() == written)
                QCOMPARE(message["status"_L1].toString(), u"sent"_s);
        }
        QJsonValue readerEntry;
        for (const QJsonValue& entry : reader->query(u"conversations.list"_s).data().toArray()) {
            if (entry["id"_L1].toInteger() == chat)
                readerEntry = entry;
        }
        QVERIFY2(readerEntry.isObject(), "the reader's conversation is gone");
        QCOMPARE(readerEntry["unreadCount"_L1].toInt(-1), 0);

        // Typing: refused into the private conversation, unseen by the other in a group.
        for (LiveClient* typist : { writerLive.get(), readerLive.get() }) {
            LiveClient& watcher = typist == writerLive.get() ? *readerLive : *writerLive;
            typist->sendFrame(u"typing"_s, QJsonObject { { u"conversationId"_s, chat } });
            if (!inGroup)
                QCOMPARE(typist->waitFor(u"error"_s).value_or(QJsonObject())["code"_L1].toString(), u"FORBIDDEN"_s);
            QVERIFY(typist->staysQuiet(u"error"_s));
            QVERIFY(watcher.staysQuiet(u"typing"_s));
        }

        if (inGroup) {
            // The rest of the group is not cut off from either of them, but what one of
            // them does to a third's message does not reach the other.
            QCOMPARE(react(*bystander, written).status, 200);
            QVERIFY(writerLive->waitFor(u"reaction"_s));
            QVERIFY(readerLive->waitFor(u"reaction"_s));
            auto bystanderLive = live(*bystander);
            QVERIFY(bystanderLive);
            writerLive->sendFrame(u"typing"_s, QJsonObject { { u"conversationId"_s, chat } });
            QCOMPARE(bystanderLive->waitFor(u"typing"_s).value_or(QJsonObject())["userId"_L1].toInteger(), writer->userId());
            const qint64 third = send(*bystanderLive, u"third-1"_s);
            QVERIFY(third > 0);
            QCOMPARE(react(*reader, third).status, 200);
            QVERIFY(bystanderLive->waitFor(u"reaction"_s));
            QVERIFY(writerLive->staysQuiet(u"reaction"_s));
        }
    }

    void groupMembersNeedConsent_data()
    {
        // c: contact, s: stranger, b: contact who blocked the creator, B: contact the
        // creator blocked, r: contact who removed the creator, R: contact the creator removed
        QTest::addColumn<QString>("members");
        QTest::addColumn<int>("status");
        QTest::newRow("contacts") << u"cc"_s << 200;
        QTest::newRow("a stranger") << u"s"_s << 403;
        QTest::newRow("a stranger among contacts") << u"csc"_s << 403;
        QTest::newRow("a contact who blocked the creator") << u"cb"_s << 403;
        QTest::newRow("a contact the creator blocked") << u"cB"_s << 403;
        QTest::newRow("a contact who removed the creator") << u"cr"_s << 403;
        QTest::newRow("a contact the creator removed") << u"R"_s << 403;
    }

    void groupMembersNeedConsent()
    {
        QFETCH(QString, members);
        QFETCH(int, status);
        auto creator = newUser();
        std::vector<std::unique_ptr<ApiClient>> others;
        QList<qint64> ids;
        for (const QChar kind : members) {
            others.push_back(newUser());
            ApiClient& member = *others.back();
            if (kind != u's')
                befriend(member, *creator);
            if (kind == u'b')
                block(member, *creator);
            else if (kind == u'B')
                block(*creator, member);
            else if (kind == u'r')
                QCOMPARE(member.mutation(u"contacts.delete"_s, QJsonObject { { u"contactId"_s, creator->userId() } }).status, 200);
            else if (kind == u'R')
                QCOMPARE(creator->mutation(u"contacts.delete"_s, QJsonObject { { u"contactId"_s, member.userId() } }).status, 200);
            ids.append(member.userId());
        }
        const HttpResult result = createGroup(*creator, ids);
        QCOMPARE(result.status, status);
        // A refusal creates nothing, for anybody.
        const qsizetype groups = status == 200 ? 1 : 0;
        QCOMPARE(creator->query(u"groups.list"_s).data().toArray().size(), groups);
        for (const auto& member : others)
            QCOMPARE(member->query(u"groups.list"_s).data().toArray().size(), groups);
    }
};

QTEST_GUILESS_MAIN(TestServerBlocking)
#include "tst_server_blocking.moc"
