// End to end: the lists the consoles and the client reload show what the live events
// showed. The operator's session list stays bounded however many sessions ended; a
// dissolved group leaves the administration list and cannot be dissolved again; a
// conversation's last message is written as the message list writes it.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include "models/Conversation.h"
#include "store/Database.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

namespace {

std::optional<QJsonObject> conversationIn(const QJsonArray& list, qint64 conversationId)
{
    for (const QJsonValue& conversation : list) {
        if (conversation["id"_L1].toInteger() == conversationId)
            return conversation.toObject();
    }
    return std::nullopt;
}

} // namespace

class TestServerLists : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<ApiClient> m_admin;
    std::unique_ptr<ApiClient> m_alice;
    std::unique_ptr<ApiClient> m_bob;
    std::unique_ptr<LiveClient> m_bobLive;
    int m_sent = 0;

    std::unique_ptr<ApiClient> signedIn(const QString& name, const QString& password)
    {
        auto client = std::make_unique<ApiClient>(m_server.baseUrl());
        client->login(name, password);
        return client;
    }

    qint64 send(qint64 conversationId, const QJsonObject& fields)
    {
        QJsonObject frame = fields;
        frame.insert(u"clientMsgId"_s, u"lists-%1"_s.arg(++m_sent));
        frame.insert(u"conversationId"_s, conversationId);
        m_bobLive->sendFrame(u"message_send"_s, frame);
        return m_bobLive->waitFor(u"message_ack"_s).value_or(QJsonObject())["messageId"_L1].toInteger();
    }

    qint64 createGroup(const QString& name)
    {
        return m_alice
            ->mutation(u"conversations.create"_s,
                QJsonObject { { u"type"_s, u"group"_s }, { u"name"_s, name }, { u"memberIds"_s, QJsonArray { m_bob->userId() } } })
            .data()["conversationId"_L1]
            .toInteger();
    }

    // The administration's id of the group of this conversation, dissolved or not.
    qint64 groupIdOf(qint64 conversationId)
    {
        Database db(QDir(m_server.dataDir()).filePath(u"morvane.sqlite3"_s));
        return db.scalar(u"SELECT id FROM chat_groups WHERE conversation_id = ?"_s, { conversationId }).toLongLong();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_admin = signedIn(u"admin"_s, u"admin123"_s);
        m_alice = signedIn(u"alice"_s, u"alice123"_s);
        m_bob = signedIn(u"bob"_s, u"bob12345"_s);
        QVERIFY(!m_admin->token.isEmpty() && !m_alice->token.isEmpty() && !m_bob->token.isEmpty());
        m_bobLive = std::make_unique<LiveClient>(m_server.wsUrl());
        QVERIFY(m_bobLive->authenticate(m_bob->token, m_bob->userId()));
    }

    // An operator with 20,000 ended sessions gets every waiting session, their own
    // active ones and their 200 most recent ended ones, newest first.
    void operatorSessionsAreBounded()
    {
        auto operatorClient = signedIn(u"operator"_s, u"operator123"_s);
        const qint64 operatorId = operatorClient->userId();
        Database db(QDir(m_server.dataDir()).filePath(u"morvane.sqlite3"_s));
        {
            Database::Transaction transaction(db);
            for (int i = 0; i < 20000; ++i)
                db.insert(u"INSERT INTO service_sessions (customer_id, operator_id, status, last_message, created_at, ended_at)"
                          " VALUES (?, ?, 'ended', 'thanks', '2026-01-01T00:00:00Z', '2026-01-01T00:10:00Z')"_s,
                    { m_alice->userId(), operatorId });
            // Someone else's active session is not this operator's business.
            db.insert(u"INSERT INTO service_sessions (customer_id, operator_id, status, created_at) VALUES (?, ?, 'active', 't')"_s,
                { m_bob->userId(), m_admin->userId() });
            transaction.commit();
        }
        const qint64 oldestListed = db.scalar(u"SELECT id FROM service_sessions WHERE status = 'ended' AND operator_id = ?"
                                              " ORDER BY id DESC LIMIT 1 OFFSET 199"_s,
                                          { operatorId })
                                        .toLongLong();
        const qint64 waiting = db.scalar(u"SELECT COUNT(*) FROM service_sessions WHERE status = 'waiting'"_s).toLongLong();
        const qint64 active = db.scalar(u"SELECT COUNT(*) FROM service_sessions WHERE status = 'active' AND operator_id = ?"_s, { operatorId })
                                  .toLongLong();
        QVERIFY(waiting > 0 && active > 0);

        const QJsonArray sessions = operatorClient->query(u"operator.getSessions"_s).data().toArray();
        QStringList statuses;
        QList<qint64> ended;
        for (const QJsonValue& session : sessions) {
            statuses << session["status"_L1].toString();
            if (session["status"_L1] == u"ended"_s)
                ended << session["id"_L1].toInteger();
            else if (session["status"_L1] == u"active"_s)
                QCOMPARE(session["operatorId"_L1].toInteger(), operatorId);
        }
        QStringList expected = QStringList(waiting, u"waiting"_s) + QStringList(active, u"active"_s) + QStringList(200, u"ended"_s);
        QCOMPARE(statuses, expected);
        QCOMPARE(ended.last(), oldestListed);
        QVERIFY(std::is_sorted(ended.crbegin(), ended.crend()));
    }

    // A dissolved group is gone from the administration list and from its total, as
    // from the statistics; dissolving it again is refused, in the caller's language.
    void dissolvedGroupsLeaveTheList()
    {
        const qint64 kept = createGroup(u"Lists keep"_s);
        const qint64 gone = createGroup(u"Lists gone"_s);
        QVERIFY(kept > 0 && gone > 0);
        const auto listed = [this](const QString& search) {
            const QJsonObject page = m_admin->get(u"/api/admin/groups?limit=100&search="_s + search).json().toObject();
            QStringList names;
            for (const QJsonValue& group : page["groups"_L1].toArray())
                names << group["name"_L1].toString();
            return std::pair(names, page["total"_L1].toInteger());
        };
        QCOMPARE(listed(u"Lists"_s), std::pair(QStringList { u"Lists keep"_s, u"Lists gone"_s }, qint64(2)));
        const qint64 activeBefore = m_admin->get(u"/api/admin/stats"_s).json()["activeGroups"_L1].toInteger();

        const QJsonObject dissolve { { u"groupId"_s, groupIdOf(gone) } };
        QCOMPARE(m_admin->postJson(u"/api/admin/groups/dissolve"_s, dissolve).status, 200);
        QCOMPARE(listed(u"Lists"_s), std::pair(QStringList { u"Lists keep"_s }, qint64(1)));
        QCOMPARE(listed(u"gone"_s), std::pair(QStringList(), qint64(0)));
        QCOMPARE(m_admin->get(u"/api/admin/stats"_s).json()["activeGroups"_L1].toInteger(), activeBefore - 1);
        QCOMPARE(listed(QString()).second, activeBefore - 1);

        m_admin->language = "zh-Hans";
        const HttpResult again = m_admin->postJson(u"/api/admin/groups/dissolve"_s, dissolve);
        m_admin->language = "en";
        QCOMPARE(again.status, 409);
        QCOMPARE(again.errorMessage(), u"该群已解散"_s);
        // Only the first dissolving left a notice.
        const QJsonArray messages = m_alice->query(u"messages.list"_s, QJsonObject { { u"conversationId"_s, gone }, { u"limit"_s, 10 } }).data().toArray();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first()["notice"_L1].toString(), u"group_dissolved"_s);
    }

    // After a reload, a conversation's last message says everything the message list
    // says of it: a revocation, an administrator's removal, a file, reactions, a notice.
    void lastMessageAsListed_data()
    {
        QTest::addColumn<QString>("last");
        QTest::addColumn<QStringList>("keys"); // that the last message must carry
        QTest::addColumn<QStringList>("absent"); // that it must not
        QTest::newRow("text") << u"text"_s << QStringList { u"content"_s, u"status"_s, u"senderName"_s, u"sender"_s } << QStringList { u"revokedAt"_s };
        QTest::newRow("revoked by its sender") << u"revoked"_s << QStringList { u"revokedAt"_s, u"status"_s }
                                               << QStringList { u"content"_s, u"removedByAdmin"_s };
        QTest::newRow("removed by an administrator") << u"removed"_s << QStringList { u"revokedAt"_s, u"removedByAdmin"_s, u"status"_s }
                                                     << QStringList { u"content"_s };
        QTest::newRow("a file") << u"file"_s << QStringList { u"fileUrl"_s, u"fileName"_s, u"fileSize"_s, u"fileMimeType"_s } << QStringList {};
        QTest::newRow("with a reaction") << u"reaction"_s << QStringList { u"reactions"_s } << QStringList {};
        QTest::newRow("a dissolved group's notice") << u"dissolved"_s << QStringList { u"notice"_s, u"content"_s } << QStringList {};
    }
    void lastMessageAsListed()
    {
        QFETCH(QString, last);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, absent);
        const qint64 conversation = createGroup(u"Last %1"_s.arg(last));
        QVERIFY(conversation > 0);
        const QJsonObject text { { u"type"_s, u"text"_s }, { u"content"_s, u"the last word"_s } };
        if (last == u"file") {
            QVERIFY(send(conversation, { { u"type"_s, u"file"_s }, { u"fileUrl"_s, u"/uploads/x"_s }, { u"fileName"_s, u"plan.pdf"_s },
                                           { u"fileSize"_s, 1234 }, { u"fileMimeType"_s, u"application/pdf"_s } })
                > 0);
        } else if (last == u"dissolved") {
            QVERIFY(send(conversation, text) > 0);
            QCOMPARE(m_admin->postJson(u"/api/admin/groups/dissolve"_s, { { u"groupId"_s, groupIdOf(conversation) } }).status, 200);
        } else {
            const qint64 id = send(conversation, text);
            QVERIFY(id > 0);
            if (last == u"revoked")
                QCOMPARE(m_bob->mutation(u"messages.revoke"_s, QJsonObject { { u"messageId"_s, id } }).status, 200);
            else if (last == u"removed")
                QCOMPARE(m_admin->postJson(u"/api/admin/messages/delete"_s, { { u"messageId"_s, id } }).status, 200);
            else if (last == u"reaction")
                QCOMPARE(m_alice->mutation(u"messages.addReaction"_s, QJsonObject { { u"messageId"_s, id }, { u"emoji"_s, u"👍"_s } }).status, 200);
        }

        const QJsonArray newest = m_alice->query(u"messages.list"_s, QJsonObject { { u"conversationId"_s, conversation }, { u"limit"_s, 1 } })
                                      .data()
                                      .toArray();
        QCOMPARE(newest.size(), 1);
        const auto listed = conversationIn(m_alice->query(u"conversations.list"_s).data().toArray(), conversation);
        QVERIFY(listed);
        const QJsonObject lastMessage = listed->value("lastMessage"_L1).toObject();
        QCOMPARE(lastMessage, newest.first().toObject());
        for (const QString& key : keys)
            QVERIFY2(lastMessage.contains(key), qPrintable(key));
        for (const QString& key : absent)
            QVERIFY2(!lastMessage.contains(key), qPrintable(key));

        // The client reads from it what its previews need.
        const std::optional<Conversation> decoded = ::decoded<Conversation>(*listed);
        QVERIFY(decoded);
        QCOMPARE(decoded->revokedPreview.has_value(), last == u"revoked" || last == u"removed");
        if (decoded->revokedPreview) {
            QCOMPARE(decoded->revokedPreview->byAdministrator, last == u"removed");
            QCOMPARE(decoded->revokedPreview->senderId, m_bob->userId());
            QCOMPARE(decoded->revokedPreview->senderName, u"Bob Smith"_s);
        }
        QCOMPARE(decoded->lastMessageNotice, last == u"dissolved" ? std::optional(u"group_dissolved"_s) : std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestServerLists)
#include "tst_server_lists.moc"
