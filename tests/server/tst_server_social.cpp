// End to end against morvane-server: friend requests and contacts, group roles,
// moments and their visibility, and global search.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include "models/WSPayload.h"

#include <QJsonArray>
#include <QSet>
#include <QTest>

using testsupport::ServerProcess;
using namespace Qt::StringLiterals;

namespace {

// The element of a list whose key holds the id, or nothing.
QJsonObject findBy(const QJsonValue& list, QLatin1StringView key, qint64 id)
{
    for (const QJsonValue& element : list.toArray()) {
        if (element[key].toInteger() == id)
            return element.toObject();
    }
    return {};
}

} // namespace

class TestServerSocial : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    QHash<QString, std::shared_ptr<ApiClient>> m_users;
    qint64 m_group = 0;
    qint64 m_foreignRole = 0;
    int m_sent = 0;

    ApiClient& user(const QString& name) { return *m_users.value(name); }
    qint64 idOf(const QString& name) { return m_users.value(name)->userId(); }

    HttpResult call(const QString& who, const QString& procedure, const QJsonObject& input = {})
    {
        static const QSet<QString> queries { u"contacts.list"_s, u"contacts.getFriendRequests"_s, u"contacts.getPendingRequestCount"_s,
            u"user.search"_s, u"moments.list"_s, u"search.global"_s, u"groups.list"_s };
        ApiClient& client = user(who);
        if (!queries.contains(procedure))
            return client.mutation(procedure, input);
        return input.isEmpty() ? client.query(procedure) : client.query(procedure, input);
    }

    qint64 sendText(const QString& who, qint64 conversationId, const QString& text)
    {
        LiveClient socket(m_server.wsUrl());
        if (!socket.authenticate(user(who).token, idOf(who)))
            return 0;
        socket.sendFrame(u"message_send"_s,
            { { u"clientMsgId"_s, u"s-%1"_s.arg(++m_sent) }, { u"conversationId"_s, conversationId }, { u"type"_s, u"text"_s }, { u"content"_s, text } });
        return socket.waitFor(u"message_ack"_s).value_or(QJsonObject())["messageId"_L1].toInteger();
    }

    qint64 openConversation(const QString& who, const QString& type, const QStringList& others, const QString& name = {})
    {
        QJsonArray members;
        for (const QString& other : others)
            members.append(idOf(other));
        QJsonObject input { { u"type"_s, type }, { u"memberIds"_s, members } };
        if (!name.isEmpty())
            input.insert(u"name"_s, name);
        return call(who, u"conversations.create"_s, input).data()["conversationId"_L1].toInteger();
    }

    qint64 groupOf(const QString& who, qint64 conversationId)
    {
        return findBy(call(who, u"groups.list"_s).data(), "conversationId"_L1, conversationId).value("id"_L1).toInteger();
    }

    bool isContact(const QString& who, const QString& other)
    {
        return !findBy(call(who, u"contacts.list"_s).data(), "contactId"_L1, idOf(other)).isEmpty();
    }

    static QJsonObject rolePermissions(bool pin = false)
    {
        return { { u"canSendMessage"_s, true }, { u"canInvite"_s, false }, { u"canPin"_s, pin }, { u"canAnnounce"_s, false }, { u"canManageMembers"_s, false } };
    }

    QJsonObject feedEntry(const QString& viewer, qint64 momentId)
    {
        return findBy(call(viewer, u"moments.list"_s, { { u"page"_s, 1 }, { u"limit"_s, 50 } }).data(), "id"_L1, momentId);
    }

    qint64 postMoment(const QString& author, const QString& visibility, const QString& text)
    {
        return call(author, u"moments.create"_s, { { u"content"_s, text }, { u"visibility"_s, visibility } }).data()["momentId"_L1].toInteger();
    }

    qint64 pendingCount(const QString& who) { return call(who, u"contacts.getPendingRequestCount"_s).data().toInteger(-1); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        for (const QString& name : { u"alice"_s, u"bob"_s, u"carol"_s, u"dave"_s }) {
            auto client = std::make_shared<ApiClient>(m_server.baseUrl());
            client->registerUser(name, u"secret123"_s, name == u"carol" ? u"Carol 王"_s : QString());
            QVERIFY(client->userId() > 0);
            m_users.insert(name, client);
        }
        // Contacts are made the way users do: a group takes only its creator's contacts.
        for (const auto& [from, to] : { std::pair { u"bob"_s, u"alice"_s }, std::pair { u"carol"_s, u"alice"_s }, std::pair { u"carol"_s, u"dave"_s } }) {
            QCOMPARE(call(from, u"contacts.sendFriendRequest"_s, { { u"toUserId"_s, idOf(to) } }).status, 200);
            const qint64 request = call(to, u"contacts.getFriendRequests"_s).data()[0]["id"_L1].toInteger();
            QCOMPARE(call(to, u"contacts.acceptFriendRequest"_s, { { u"requestId"_s, request } }).status, 200);
        }

        const qint64 groupConversation = openConversation(u"alice"_s, u"group"_s, { u"bob"_s, u"carol"_s }, u"Pineapple Club"_s);
        m_group = groupOf(u"alice"_s, groupConversation);
        const qint64 daveGroup = groupOf(u"dave"_s, openConversation(u"dave"_s, u"group"_s, { u"carol"_s }, u"Dave's Den"_s));
        // From here on Carol shares groups with Alice and Dave without being anyone's contact.
        for (const auto& [a, b] : { std::pair { u"carol"_s, u"alice"_s }, std::pair { u"carol"_s, u"dave"_s } }) {
            QCOMPARE(call(a, u"contacts.delete"_s, { { u"contactId"_s, idOf(b) } }).status, 200);
            QCOMPARE(call(b, u"contacts.delete"_s, { { u"contactId"_s, idOf(a) } }).status, 200);
        }
        m_foreignRole = call(u"dave"_s, u"groupRole.create"_s,
            { { u"groupId"_s, daveGroup }, { u"name"_s, u"Den keeper"_s }, { u"permissions"_s, rolePermissions() } })
                            .data()["id"_L1]
                            .toInteger();
        const qint64 aliceBob = openConversation(u"alice"_s, u"private"_s, { u"bob"_s });
        QVERIFY(m_group > 0 && daveGroup > 0 && m_foreignRole > 0 && aliceBob > 0);

        // Messages for global search: one revoked, one in a conversation Alice is not in.
        QVERIFY(sendText(u"bob"_s, aliceBob, u"Pineapple pizza tonight?"_s) > 0);
        QVERIFY(sendText(u"carol"_s, groupConversation, u"who brings the pineapple"_s) > 0);
        QVERIFY(sendText(u"carol"_s, openConversation(u"carol"_s, u"private"_s, { u"dave"_s }), u"durian and pineapple for dave only"_s) > 0);
        const qint64 revoked = sendText(u"bob"_s, aliceBob, u"mango"_s);
        QCOMPARE(call(u"bob"_s, u"messages.revoke"_s, { { u"messageId"_s, revoked } }).status, 200);
    }

    void friendRequestRoundTrip()
    {
        const qint64 bob = idOf(u"bob"_s), carol = idOf(u"carol"_s);
        LiveClient bobLive(m_server.wsUrl()), carolLive(m_server.wsUrl());
        QVERIFY(bobLive.authenticate(user(u"bob"_s).token, bob) && carolLive.authenticate(user(u"carol"_s).token, carol));

        QCOMPARE(call(u"bob"_s, u"contacts.sendFriendRequest"_s, { { u"toUserId"_s, carol }, { u"message"_s, u"Hi Carol"_s } }).status, 200);
        const auto pushed = carolLive.waitFor(u"friend_request"_s);
        QVERIFY(pushed);
        // The client drops "friend_" frames whose payload does not read as its typed payload.
        QVERIFY_THROWS_NO_EXCEPTION(json::decode<WSPayload>(*pushed));
        QCOMPARE(pushed->value("userId"_L1).toInteger(), bob);
        QCOMPARE(pushed->value("content"_L1).toString(), u"Hi Carol"_s);

        QCOMPARE(pendingCount(u"carol"_s), 1);
        const QJsonObject request = call(u"carol"_s, u"contacts.getFriendRequests"_s).data()[0].toObject();
        QCOMPARE(request.value("fromUserId"_L1).toInteger(), bob);
        QCOMPARE(request.value("status"_L1).toString(), u"pending"_s);
        const QJsonObject answer { { u"requestId"_s, request.value("id"_L1) } };

        // Only the recipient answers; to anyone else the request does not exist.
        QCOMPARE(call(u"alice"_s, u"contacts.acceptFriendRequest"_s, answer).status, 404);
        QCOMPARE(call(u"bob"_s, u"contacts.acceptFriendRequest"_s, answer).status, 404);
        QCOMPARE(call(u"carol"_s, u"contacts.acceptFriendRequest"_s, answer).status, 200);
        const auto accepted = bobLive.waitFor(u"friend_request_accepted"_s);
        QVERIFY(accepted);
        QVERIFY_THROWS_NO_EXCEPTION(json::decode<WSPayload>(*accepted));
        QCOMPARE(accepted->value("userId"_L1).toInteger(), carol);

        QVERIFY(isContact(u"bob"_s, u"carol"_s) && isContact(u"carol"_s, u"bob"_s));
        QCOMPARE(pendingCount(u"carol"_s), 0);
        QCOMPARE(call(u"carol"_s, u"contacts.acceptFriendRequest"_s, answer).status, 409);
        QCOMPARE(call(u"bob"_s, u"contacts.sendFriendRequest"_s, { { u"toUserId"_s, carol } }).status, 409);

        // Deleting takes the contact off one list only.
        QCOMPARE(call(u"bob"_s, u"contacts.delete"_s, { { u"contactId"_s, carol } }).status, 200);
        QVERIFY(!isContact(u"bob"_s, u"carol"_s) && isContact(u"carol"_s, u"bob"_s));
        QCOMPARE(call(u"bob"_s, u"contacts.delete"_s, { { u"contactId"_s, carol } }).status, 404);
    }

    void rejectedRequestMayBeSentAgain()
    {
        const QJsonObject toCarol { { u"toUserId"_s, idOf(u"carol"_s) } };
        QCOMPARE(call(u"dave"_s, u"contacts.sendFriendRequest"_s, toCarol).status, 200);
        QCOMPARE(call(u"dave"_s, u"contacts.sendFriendRequest"_s, toCarol).status, 409);
        const QJsonObject answer { { u"requestId"_s, call(u"carol"_s, u"contacts.getFriendRequests"_s).data()[0]["id"_L1] } };
        QCOMPARE(call(u"carol"_s, u"contacts.rejectFriendRequest"_s, answer).status, 200);
        QCOMPARE(call(u"carol"_s, u"contacts.getFriendRequests"_s).data()[0]["status"_L1].toString(), u"rejected"_s);
        QVERIFY(!isContact(u"carol"_s, u"dave"_s));
        QCOMPARE(call(u"carol"_s, u"contacts.acceptFriendRequest"_s, answer).status, 409);
        QCOMPARE(call(u"dave"_s, u"contacts.sendFriendRequest"_s, toCarol).status, 200);
    }

    // Each procedure refuses what it must, as its caller would see it.
    void refusals_data()
    {
        QTest::addColumn<QString>("who");
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QJsonObject>("input");
        QTest::addColumn<int>("status");
        const qint64 alice = idOf(u"alice"_s), dave = idOf(u"dave"_s);
        const auto row = [](const char* name, const QString& who, const QString& procedure, const QJsonObject& input, int status) {
            QTest::newRow(name) << who << procedure << input << status;
        };
        const auto with = [](QJsonObject object, const QString& key, const QJsonValue& value) {
            object.insert(key, value);
            return object;
        };
        const QString a = u"alice"_s, request = u"contacts.sendFriendRequest"_s, report = u"user.report"_s;
        row("request to oneself", a, request, { { u"toUserId"_s, alice } }, 400);
        row("request to nobody", a, request, { { u"toUserId"_s, 999999 } }, 404);
        row("request id as text", a, request, { { u"toUserId"_s, QString::number(dave) } }, 400);
        row("request text too long", a, request, { { u"toUserId"_s, dave }, { u"message"_s, QString(201, u'x') } }, 400);
        row("accept unknown request", a, u"contacts.acceptFriendRequest"_s, { { u"requestId"_s, 999999 } }, 404);
        row("reject unknown request", a, u"contacts.rejectFriendRequest"_s, { { u"requestId"_s, 999999 } }, 404);
        row("delete a stranger", a, u"contacts.delete"_s, { { u"contactId"_s, dave } }, 404);
        row("unblock a stranger", a, u"contacts.unblock"_s, { { u"contactId"_s, dave } }, 404);
        row("unblock an unblocked contact", a, u"contacts.unblock"_s, { { u"contactId"_s, idOf(u"bob"_s) } }, 200);
        row("report", a, report, { { u"userId"_s, dave }, { u"reason"_s, u"spam"_s } }, 200);
        row("report oneself", a, report, { { u"userId"_s, alice }, { u"reason"_s, u"spam"_s } }, 400);
        row("report without a reason", a, report, { { u"userId"_s, dave }, { u"reason"_s, u"  "_s } }, 400);
        row("report nobody", a, report, { { u"userId"_s, 999999 }, { u"reason"_s, u"spam"_s } }, 404);
        row("search keyword too long", a, u"user.search"_s, { { u"keyword"_s, QString(65, u'a') } }, 400);
        row("search, 50 results", a, u"search.global"_s, { { u"keyword"_s, u"a"_s }, { u"limit"_s, 50 } }, 200);
        row("search, 51 results", a, u"search.global"_s, { { u"keyword"_s, u"a"_s }, { u"limit"_s, 51 } }, 400);

        const QJsonObject perms = rolePermissions();
        const QJsonObject role { { u"groupId"_s, m_group }, { u"name"_s, u"Moderator"_s }, { u"color"_s, u"#4A90D9"_s }, { u"permissions"_s, perms } };
        const QString create = u"groupRole.create"_s;
        row("role: member may not create", u"bob"_s, create, role, 403);
        row("role: stranger sees no group", u"dave"_s, create, role, 404);
        row("role: colour not #RRGGBB", a, create, with(role, u"color"_s, u"blue"_s), 400);
        row("role: blank name", a, create, with(role, u"name"_s, u" \t "_s), 400);
        row("role: unknown permission", a, create, with(role, u"permissions"_s, with(perms, u"canLaunchRockets"_s, true)), 400);
        row("role: permission not a flag", a, create, with(role, u"permissions"_s, with(perms, u"canPin"_s, 1)), 400);
        row("role of another group", a, u"groupRole.assign"_s, { { u"groupId"_s, m_group }, { u"targetUserId"_s, idOf(u"bob"_s) }, { u"roleId"_s, m_foreignRole } }, 404);
        row("update role of another group", a, u"groupRole.update"_s, { { u"roleId"_s, m_foreignRole }, { u"groupId"_s, m_group }, { u"name"_s, u"Mine"_s } }, 404);

        const QJsonObject moment { { u"content"_s, u"hi"_s }, { u"visibility"_s, u"public"_s } };
        QJsonArray ten;
        for (int i = 0; i < 10; ++i)
            ten.append(u"/uploads/%1"_s.arg(i));
        const QString post = u"moments.create"_s;
        row("moment: unknown visibility", a, post, with(moment, u"visibility"_s, u"everyone"_s), 400);
        row("moment: blank text, no pictures", a, post, with(moment, u"content"_s, u" "_s), 400);
        row("moment: script address", a, post, with(moment, u"images"_s, QJsonArray { u"javascript:alert(1)"_s }), 400);
        row("moment: ten pictures", a, post, with(moment, u"images"_s, ten), 400);
        row("moment: picture not text", a, post, with(moment, u"images"_s, QJsonArray { 5 }), 400);
        row("moment: text of 2000 characters", a, post, with(moment, u"content"_s, QString(2000, u't')), 200);
        row("moment: text of 2001 characters", a, post, with(moment, u"content"_s, QString(2001, u't')), 400);
        row("moment: picture address of 2048 characters", a, post, with(moment, u"images"_s, QJsonArray { u"/"_s + QString(2047, u'p') }), 200);
        row("moment: picture address of 2049 characters", a, post, with(moment, u"images"_s, QJsonArray { u"/"_s + QString(2048, u'p') }), 400);
    }

    void refusals()
    {
        QFETCH(QString, who);
        QFETCH(QString, procedure);
        QFETCH(QJsonObject, input);
        QFETCH(int, status);
        const HttpResult result = call(who, procedure, input);
        QCOMPARE(result.status, status);
        QCOMPARE(result.errorMessage().isEmpty(), status == 200);
    }

    void userSearch_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("display name, any case") << u"carol 王"_s << QStringList { u"carol"_s };
        QTest::newRow("open id part") << u"AVE"_s << QStringList { u"dave"_s };
        QTest::newRow("never oneself") << u"alice"_s << QStringList {};
        QTest::newRow("wildcards are literal") << u"%"_s << QStringList {};
        QTest::newRow("blank") << u"   "_s << QStringList {};
    }

    void userSearch()
    {
        QFETCH(QString, keyword);
        QFETCH(QStringList, found);
        QStringList names;
        for (const QJsonValue& user : call(u"alice"_s, u"user.search"_s, { { u"keyword"_s, keyword } }).data().toArray()) {
            names.append(user["openId"_L1].toString());
            QVERIFY(!user.toObject().contains("email"_L1));
        }
        QCOMPARE(names, found);
    }

    void groupRoleLifecycle()
    {
        const QJsonObject input { { u"groupId"_s, m_group }, { u"name"_s, u"Pinner"_s }, { u"permissions"_s, rolePermissions(true) } };
        const HttpResult created = call(u"alice"_s, u"groupRole.create"_s, input);
        QCOMPARE(created.status, 200);
        const QJsonObject role = created.data().toObject();
        QCOMPARE(role.value("groupId"_L1).toInteger(), m_group);
        QCOMPARE(role.value("name"_L1), input.value("name"_L1));
        QCOMPARE(role.value("permissions"_L1), input.value("permissions"_L1));
        QVERIFY(!role.contains("color"_L1));
        const qint64 roleId = role.value("id"_L1).toInteger();
        const QJsonObject onlyColour { { u"roleId"_s, roleId }, { u"groupId"_s, m_group }, { u"color"_s, u"#AA3366"_s } };
        QCOMPARE(call(u"alice"_s, u"groupRole.update"_s, onlyColour).status, 200);
        QCOMPARE(call(u"bob"_s, u"groupRole.update"_s, onlyColour).status, 403);

        const auto member = [&](const QString& target) {
            return QJsonObject { { u"groupId"_s, m_group }, { u"targetUserId"_s, idOf(target) }, { u"roleId"_s, roleId } };
        };
        QCOMPARE(call(u"alice"_s, u"groupRole.assign"_s, member(u"carol"_s)).status, 200);
        QCOMPARE(call(u"alice"_s, u"groupRole.assign"_s, member(u"carol"_s)).status, 200);
        QCOMPARE(call(u"alice"_s, u"groupRole.assign"_s, member(u"dave"_s)).status, 404);
        QCOMPARE(call(u"carol"_s, u"groupRole.remove"_s, member(u"carol"_s)).status, 403);
        QCOMPARE(call(u"alice"_s, u"groupRole.remove"_s, member(u"carol"_s)).status, 200);
    }

    void momentVisibility_data()
    {
        QTest::addColumn<QString>("visibility");
        QTest::addColumn<QString>("viewer");
        QTest::addColumn<bool>("visible");
        QTest::newRow("private: author") << u"private"_s << u"alice"_s << true;
        QTest::newRow("private: contact") << u"private"_s << u"bob"_s << false;
        QTest::newRow("friends: contact") << u"friends"_s << u"bob"_s << true;
        QTest::newRow("friends: stranger") << u"friends"_s << u"dave"_s << false;
        QTest::newRow("friends: group member only") << u"friends"_s << u"carol"_s << false;
        QTest::newRow("public: stranger") << u"public"_s << u"dave"_s << true;
    }

    void momentVisibility()
    {
        QFETCH(QString, visibility);
        QFETCH(QString, viewer);
        QFETCH(bool, visible);
        const qint64 id = postMoment(u"alice"_s, visibility, u"A %1 moment"_s.arg(visibility));
        QVERIFY(id > 0);
        QCOMPARE(!feedEntry(viewer, id).isEmpty(), visible);
        // What a viewer cannot see, they cannot like or comment on either.
        const int expected = visible ? 200 : 404;
        QCOMPARE(call(viewer, u"moments.like"_s, { { u"id"_s, id } }).status, expected);
        QCOMPARE(call(viewer, u"moments.unlike"_s, { { u"id"_s, id } }).status, expected);
        QCOMPARE(call(viewer, u"moments.comment"_s, { { u"id"_s, id }, { u"content"_s, u"Nice"_s } }).status, expected);
    }

    void momentLikesAndComments()
    {
        const qint64 id = postMoment(u"alice"_s, u"friends"_s, u"Weekend plans?"_s);
        const QJsonObject target { { u"id"_s, id } };
        QCOMPARE(call(u"bob"_s, u"moments.like"_s, target).status, 200);
        QCOMPARE(call(u"bob"_s, u"moments.like"_s, target).status, 200);
        QCOMPARE(call(u"alice"_s, u"moments.like"_s, target).status, 200);
        const qint64 question = call(u"bob"_s, u"moments.comment"_s, { { u"id"_s, id }, { u"content"_s, u"Hiking?"_s } }).data()["commentId"_L1].toInteger();
        QVERIFY(question > 0);
        QCOMPARE(call(u"alice"_s, u"moments.comment"_s, { { u"id"_s, id }, { u"content"_s, u"Yes!"_s }, { u"replyToId"_s, question } }).status, 200);
        QCOMPARE(call(u"bob"_s, u"moments.unlike"_s, target).status, 200);

        const QJsonObject moment = feedEntry(u"bob"_s, id);
        QCOMPARE(moment.value("userName"_L1).toString(), u"alice"_s);
        QCOMPARE(moment.value("likeCount"_L1).toInteger(), 1);
        QCOMPARE(moment.value("likes"_L1)[0]["userId"_L1].toInteger(), idOf(u"alice"_s));
        QCOMPARE(moment.value("commentCount"_L1).toInteger(), 2);
        const QJsonValue reply = moment.value("comments"_L1)[1];
        QCOMPARE(reply["replyToId"_L1].toInteger(), question);
        QCOMPARE(reply["replyToUserName"_L1].toString(), u"bob"_s);
        QVERIFY(!moment.value("comments"_L1)[0].toObject().contains("replyToId"_L1));

        // A reply must answer a comment of the same moment.
        const qint64 other = postMoment(u"alice"_s, u"friends"_s, u"Another one"_s);
        QCOMPARE(call(u"bob"_s, u"moments.comment"_s, { { u"id"_s, other }, { u"content"_s, u"?"_s }, { u"replyToId"_s, question } }).status, 400);

        // Pages run newest first.
        const qint64 older = postMoment(u"dave"_s, u"private"_s, u"first"_s);
        const qint64 newer = postMoment(u"dave"_s, u"private"_s, u"second"_s);
        const auto page = [&](int number) { return call(u"dave"_s, u"moments.list"_s, { { u"page"_s, number }, { u"limit"_s, 1 } }); };
        QCOMPARE(page(1).data()[0]["id"_L1].toInteger(), newer);
        QCOMPARE(page(2).data()[0]["id"_L1].toInteger(), older);
        QCOMPARE(page(0).status, 400);
    }

    void globalSearch_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("a contact") << u"bob"_s << QList<int> { 1, 0, 0 };
        QTest::newRow("not a contact") << u"dave"_s << QList<int> { 0, 0, 0 };
        QTest::newRow("a group, and a message in it") << u"pineapple"_s << QList<int> { 0, 1, 2 };
        QTest::newRow("others' conversations stay hidden") << u"durian"_s << QList<int> { 0, 0, 0 };
        QTest::newRow("revoked messages stay hidden") << u"mango"_s << QList<int> { 0, 0, 0 };
        QTest::newRow("wildcards are literal") << u"%"_s << QList<int> { 0, 0, 0 };
        QTest::newRow("blank") << u" "_s << QList<int> { 0, 0, 0 };
    }

    void globalSearch()
    {
        QFETCH(QString, keyword);
        QFETCH(QList<int>, sizes);
        const HttpResult result = call(u"alice"_s, u"search.global"_s, { { u"keyword"_s, keyword }, { u"limit"_s, 10 } });
        QCOMPARE(result.status, 200);
        QList<int> found;
        for (const char* key : { "contacts", "groups", "messages" }) {
            QVERIFY2(result.data()[QLatin1StringView(key)].isArray(), key);
            found.append(int(result.data()[QLatin1StringView(key)].toArray().size()));
        }
        QCOMPARE(found, sizes);
    }
};

QTEST_GUILESS_MAIN(TestServerSocial)
#include "tst_server_social.moc"
