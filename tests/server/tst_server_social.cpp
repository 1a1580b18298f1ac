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

// The client drops "friend_" frames whose payload does not read as its typed payload.
bool readsAsPayload(const QJsonObject& payload)
{
    try {
        json::decode<WSPayload>(payload);
        return true;
    } catch (const json::DecodeError& error) {
        qWarning().noquote() << error.description();
        return false;
    }
}

const QSet<QString>& queries()
{
    static const QSet<QString> names { QStringLiteral("contacts.list"), QStringLiteral("contacts.getFriendRequests"),
        QStringLiteral("contacts.getPendingRequestCount"), QStringLiteral("user.search"), QStringLiteral("moments.list"),
        QStringLiteral("search.global"), QStringLiteral("groups.list") };
    return names;
}

bool containsId(const QJsonArray& list, QLatin1StringView key, qint64 id)
{
    for (const QJsonValue& element : list) {
        if (element[key].toInteger() == id)
            return true;
    }
    return false;
}

} // namespace

class TestServerSocial : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    QHash<QString, std::shared_ptr<ApiClient>> m_users;
    qint64 m_group = 0;
    qint64 m_groupConversation = 0;
    qint64 m_foreignRole = 0;
    qint64 m_aliceBob = 0;
    int m_sent = 0;

    ApiClient& user(const QString& name) { return *m_users.value(name); }
    qint64 idOf(const QString& name) { return m_users.value(name)->userId(); }

    HttpResult call(const QString& who, const QString& procedure, const QJsonObject& input)
    {
        ApiClient& client = user(who);
        return queries().contains(procedure) ? client.query(procedure, input) : client.mutation(procedure, input);
    }

    qint64 sendText(const QString& who, qint64 conversationId, const QString& text)
    {
        LiveClient socket(m_server.wsUrl());
        if (!socket.authenticate(user(who).token, idOf(who)))
            return 0;
        socket.sendFrame(QStringLiteral("message_send"),
            { { QStringLiteral("clientMsgId"), QStringLiteral("s-%1").arg(++m_sent) }, { QStringLiteral("conversationId"), conversationId },
              { QStringLiteral("type"), QStringLiteral("text") }, { QStringLiteral("content"), text } });
        return socket.waitFor(QStringLiteral("message_ack")).value_or(QJsonObject())[QLatin1StringView("messageId")].toInteger();
    }

    qint64 openConversation(const QString& who, const QString& type, const QList<QString>& others, const QString& name = {})
    {
        QJsonArray members;
        for (const QString& other : others)
            members.append(idOf(other));
        QJsonObject input { { QStringLiteral("type"), type }, { QStringLiteral("memberIds"), members } };
        if (!name.isEmpty())
            input.insert(QStringLiteral("name"), name);
        return user(who).mutation(QStringLiteral("conversations.create"), input).data()[QLatin1StringView("conversationId")].toInteger();
    }

    qint64 groupOf(const QString& who, qint64 conversationId)
    {
        for (const QJsonValue& group : user(who).query(QStringLiteral("groups.list")).data().toArray()) {
            if (group[QLatin1StringView("conversationId")].toInteger() == conversationId)
                return group[QLatin1StringView("id")].toInteger();
        }
        return 0;
    }

    QJsonObject rolePermissions(bool pin = false)
    {
        return { { QStringLiteral("canSendMessage"), true }, { QStringLiteral("canInvite"), false }, { QStringLiteral("canPin"), pin },
                 { QStringLiteral("canAnnounce"), false }, { QStringLiteral("canManageMembers"), false } };
    }

    QJsonObject feedEntry(const QString& viewer, qint64 momentId)
    {
        const QJsonObject page { { QStringLiteral("page"), 1 }, { QStringLiteral("limit"), 50 } };
        for (const QJsonValue& moment : user(viewer).query(QStringLiteral("moments.list"), page).data().toArray()) {
            if (moment[QLatin1StringView("id")].toInteger() == momentId)
                return moment.toObject();
        }
        return {};
    }

    qint64 postMoment(const QString& author, const QString& visibility, const QString& text)
    {
        return user(author)
            .mutation(QStringLiteral("moments.create"), QJsonObject { { QStringLiteral("content"), text }, { QStringLiteral("visibility"), visibility } })
            .data()[QLatin1StringView("momentId")]
            .toInteger();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        for (const QString& name : { QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("carol"), QStringLiteral("dave") }) {
            auto client = std::make_shared<ApiClient>(m_server.baseUrl());
            client->registerUser(name, QStringLiteral("secret123"), name == u"carol" ? QStringLiteral("Carol 王") : QString());
            QVERIFY(client->userId() > 0);
            m_users.insert(name, client);
        }
        // Alice and Bob become contacts the way users do.
        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("contacts.sendFriendRequest"), { { QStringLiteral("toUserId"), idOf(QStringLiteral("alice")) } }).status, 200);
        const qint64 request = user(QStringLiteral("alice")).query(QStringLiteral("contacts.getFriendRequests")).data()[0][QLatin1StringView("id")].toInteger();
        QCOMPARE(call(QStringLiteral("alice"), QStringLiteral("contacts.acceptFriendRequest"), { { QStringLiteral("requestId"), request } }).status, 200);

        m_groupConversation = openConversation(QStringLiteral("alice"), QStringLiteral("group"), { QStringLiteral("bob"), QStringLiteral("carol") },
            QStringLiteral("Pineapple Club"));
        m_group = groupOf(QStringLiteral("alice"), m_groupConversation);
        const qint64 daveGroup = groupOf(QStringLiteral("dave"),
            openConversation(QStringLiteral("dave"), QStringLiteral("group"), { QStringLiteral("carol") }, QStringLiteral("Dave's Den")));
        m_foreignRole = call(QStringLiteral("dave"), QStringLiteral("groupRole.create"),
            { { QStringLiteral("groupId"), daveGroup }, { QStringLiteral("name"), QStringLiteral("Den keeper") }, { QStringLiteral("permissions"), rolePermissions() } })
                            .data()[QLatin1StringView("id")]
                            .toInteger();
        m_aliceBob = openConversation(QStringLiteral("alice"), QStringLiteral("private"), { QStringLiteral("bob") });
        QVERIFY(m_group > 0 && daveGroup > 0 && m_foreignRole > 0 && m_aliceBob > 0);
    }

    void friendRequestRoundTrip()
    {
        LiveClient bobLive(m_server.wsUrl());
        LiveClient carolLive(m_server.wsUrl());
        QVERIFY(bobLive.authenticate(user(QStringLiteral("bob")).token, idOf(QStringLiteral("bob"))));
        QVERIFY(carolLive.authenticate(user(QStringLiteral("carol")).token, idOf(QStringLiteral("carol"))));

        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("contacts.sendFriendRequest"),
                     { { QStringLiteral("toUserId"), idOf(QStringLiteral("carol")) }, { QStringLiteral("message"), QStringLiteral("Hi Carol, Bob here") } })
                     .status,
            200);
        const auto pushed = carolLive.waitFor(QStringLiteral("friend_request"));
        QVERIFY(pushed);
        QCOMPARE(pushed->value(QLatin1StringView("userId")).toInteger(), idOf(QStringLiteral("bob")));
        QCOMPARE(pushed->value(QLatin1StringView("content")).toString(), QStringLiteral("Hi Carol, Bob here"));
        QVERIFY(readsAsPayload(*pushed));

        QCOMPARE(user(QStringLiteral("carol")).query(QStringLiteral("contacts.getPendingRequestCount")).data().toInteger(-1), 1);
        const QJsonObject request = user(QStringLiteral("carol")).query(QStringLiteral("contacts.getFriendRequests")).data()[0].toObject();
        QCOMPARE(request.value(QLatin1StringView("fromUserId")).toInteger(), idOf(QStringLiteral("bob")));
        QCOMPARE(request.value(QLatin1StringView("toUserId")).toInteger(), idOf(QStringLiteral("carol")));
        QCOMPARE(request.value(QLatin1StringView("status")).toString(), QStringLiteral("pending"));
        QCOMPARE(request.value(QLatin1StringView("fromUser"))[QLatin1StringView("name")].toString(), QStringLiteral("bob"));
        const QJsonObject answer { { QStringLiteral("requestId"), request.value(QLatin1StringView("id")) } };

        // Only the recipient answers; to anyone else the request does not exist.
        QCOMPARE(call(QStringLiteral("alice"), QStringLiteral("contacts.acceptFriendRequest"), answer).status, 404);
        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("contacts.acceptFriendRequest"), answer).status, 404);
        QCOMPARE(call(QStringLiteral("carol"), QStringLiteral("contacts.acceptFriendRequest"), answer).status, 200);
        const auto accepted = bobLive.waitFor(QStringLiteral("friend_request_accepted"));
        QVERIFY(accepted);
        QCOMPARE(accepted->value(QLatin1StringView("userId")).toInteger(), idOf(QStringLiteral("carol")));
        QVERIFY(readsAsPayload(*accepted));

        QVERIFY(containsId(user(QStringLiteral("bob")).query(QStringLiteral("contacts.list")).data().toArray(), QLatin1StringView("contactId"), idOf(QStringLiteral("carol"))));
        QVERIFY(containsId(user(QStringLiteral("carol")).query(QStringLiteral("contacts.list")).data().toArray(), QLatin1StringView("contactId"), idOf(QStringLiteral("bob"))));
        QCOMPARE(user(QStringLiteral("carol")).query(QStringLiteral("contacts.getPendingRequestCount")).data().toInteger(-1), 0);
        QCOMPARE(call(QStringLiteral("carol"), QStringLiteral("contacts.acceptFriendRequest"), answer).status, 409);
        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("contacts.sendFriendRequest"), { { QStringLiteral("toUserId"), idOf(QStringLiteral("carol")) } }).status, 409);

        // Deleting takes the contact off one list only.
        const QJsonObject carolEntry { { QStringLiteral("contactId"), idOf(QStringLiteral("carol")) } };
        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("contacts.delete"), carolEntry).status, 200);
        QVERIFY(!containsId(user(QStringLiteral("bob")).query(QStringLiteral("contacts.list")).data().toArray(), QLatin1StringView("contactId"), idOf(QStringLiteral("carol"))));
        QVERIFY(containsId(user(QStringLiteral("carol")).query(QStringLiteral("contacts.list")).data().toArray(), QLatin1StringView("contactId"), idOf(QStringLiteral("bob"))));
        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("contacts.delete"), carolEntry).status, 404);
    }

    void rejectedRequestMayBeSentAgain()
    {
        const QJsonObject toCarol { { QStringLiteral("toUserId"), idOf(QStringLiteral("carol")) } };
        QCOMPARE(call(QStringLiteral("dave"), QStringLiteral("contacts.sendFriendRequest"), toCarol).status, 200);
        QCOMPARE(call(QStringLiteral("dave"), QStringLiteral("contacts.sendFriendRequest"), toCarol).status, 409);
        const QJsonArray requests = user(QStringLiteral("carol")).query(QStringLiteral("contacts.getFriendRequests")).data().toArray();
        QVERIFY(!requests.isEmpty());
        const QJsonObject answer { { QStringLiteral("requestId"), requests[0][QLatin1StringView("id")] } };
        QCOMPARE(call(QStringLiteral("carol"), QStringLiteral("contacts.rejectFriendRequest"), answer).status, 200);
        QCOMPARE(user(QStringLiteral("carol")).query(QStringLiteral("contacts.getFriendRequests")).data()[0][QLatin1StringView("status")].toString(), QStringLiteral("rejected"));
        QVERIFY(!containsId(user(QStringLiteral("carol")).query(QStringLiteral("contacts.list")).data().toArray(), QLatin1StringView("contactId"), idOf(QStringLiteral("dave"))));
        QCOMPARE(call(QStringLiteral("carol"), QStringLiteral("contacts.acceptFriendRequest"), answer).status, 409);
        QCOMPARE(call(QStringLiteral("dave"), QStringLiteral("contacts.sendFriendRequest"), toCarol).status, 200);
    }

    void contactProcedureErrors_data()
    {
        QTest::addColumn<QString>("who");
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QJsonObject>("input");
        QTest::addColumn<int>("status");
        const qint64 alice = idOf(QStringLiteral("alice"));
        const qint64 dave = idOf(QStringLiteral("dave"));
        QTest::newRow("request to oneself") << u"alice"_s << u"contacts.sendFriendRequest"_s << QJsonObject { { u"toUserId"_s, alice } } << 400;
        QTest::newRow("request to nobody") << u"alice"_s << u"contacts.sendFriendRequest"_s << QJsonObject { { u"toUserId"_s, 999999 } } << 404;
        QTest::newRow("request id as text") << u"alice"_s << u"contacts.sendFriendRequest"_s << QJsonObject { { u"toUserId"_s, QString::number(dave) } } << 400;
        QTest::newRow("request text too long") << u"alice"_s << u"contacts.sendFriendRequest"_s
                                               << QJsonObject { { u"toUserId"_s, dave }, { u"message"_s, QString(201, u'x') } } << 400;
        QTest::newRow("accept unknown request") << u"alice"_s << u"contacts.acceptFriendRequest"_s << QJsonObject { { u"requestId"_s, 999999 } } << 404;
        QTest::newRow("reject unknown request") << u"alice"_s << u"contacts.rejectFriendRequest"_s << QJsonObject { { u"requestId"_s, 999999 } } << 404;
        QTest::newRow("delete a stranger") << u"alice"_s << u"contacts.delete"_s << QJsonObject { { u"contactId"_s, dave } } << 404;
        QTest::newRow("unblock a stranger") << u"alice"_s << u"contacts.unblock"_s << QJsonObject { { u"contactId"_s, dave } } << 404;
        QTest::newRow("unblock an unblocked contact") << u"alice"_s << u"contacts.unblock"_s << QJsonObject { { u"contactId"_s, idOf(QStringLiteral("bob")) } } << 200;
        QTest::newRow("report") << u"alice"_s << u"user.report"_s << QJsonObject { { u"userId"_s, dave }, { u"reason"_s, u"spam"_s }, { u"description"_s, u"sells things"_s } } << 200;
        QTest::newRow("report oneself") << u"alice"_s << u"user.report"_s << QJsonObject { { u"userId"_s, alice }, { u"reason"_s, u"spam"_s } } << 400;
        QTest::newRow("report without a reason") << u"alice"_s << u"user.report"_s << QJsonObject { { u"userId"_s, dave }, { u"reason"_s, u"  "_s } } << 400;
        QTest::newRow("report nobody") << u"alice"_s << u"user.report"_s << QJsonObject { { u"userId"_s, 999999 }, { u"reason"_s, u"spam"_s } } << 404;
        QTest::newRow("search keyword too long") << u"alice"_s << u"user.search"_s << QJsonObject { { u"keyword"_s, QString(65, u'a') } } << 400;
    }

    void contactProcedureErrors()
    {
        QFETCH(QString, who);
        QFETCH(QString, procedure);
        QFETCH(QJsonObject, input);
        QFETCH(int, status);
        const HttpResult result = call(who, procedure, input);
        QCOMPARE(result.status, status);
        if (status != 200)
            QVERIFY(!result.errorMessage().isEmpty());
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
        const QJsonArray users = call(QStringLiteral("alice"), QStringLiteral("user.search"), { { QStringLiteral("keyword"), keyword } }).data().toArray();
        QStringList names;
        for (const QJsonValue& user : users) {
            names.append(user[QLatin1StringView("openId")].toString());
            QVERIFY(!user.toObject().contains(QLatin1StringView("email")));
            QVERIFY(user[QLatin1StringView("name")].isString());
        }
        QCOMPARE(names, found);
    }

    void groupRoleAuthorisation_data()
    {
        QTest::addColumn<QString>("who");
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QJsonObject>("input");
        QTest::addColumn<int>("status");
        const QJsonObject perms = rolePermissions();
        const QJsonObject role { { u"groupId"_s, m_group }, { u"name"_s, u"Moderator"_s }, { u"color"_s, u"#4A90D9"_s }, { u"permissions"_s, perms } };
        QTest::newRow("owner creates") << u"alice"_s << u"groupRole.create"_s << role << 200;
        QTest::newRow("member may not create") << u"bob"_s << u"groupRole.create"_s << role << 403;
        QTest::newRow("stranger sees no group") << u"dave"_s << u"groupRole.create"_s << role << 404;
        QJsonObject bad = role;
        bad.insert(u"color"_s, u"blue"_s);
        QTest::newRow("colour not #RRGGBB") << u"alice"_s << u"groupRole.create"_s << bad << 400;
        bad = role;
        bad.insert(u"name"_s, u" \t "_s);
        QTest::newRow("blank name") << u"alice"_s << u"groupRole.create"_s << bad << 400;
        QJsonObject oddPerms = perms;
        oddPerms.insert(u"canLaunchRockets"_s, true);
        bad = role;
        bad.insert(u"permissions"_s, oddPerms);
        QTest::newRow("unknown permission") << u"alice"_s << u"groupRole.create"_s << bad << 400;
        oddPerms = perms;
        oddPerms.insert(u"canPin"_s, 1);
        bad.insert(u"permissions"_s, oddPerms);
        QTest::newRow("permission not a flag") << u"alice"_s << u"groupRole.create"_s << bad << 400;
        const QJsonObject assignForeign { { u"groupId"_s, m_group }, { u"targetUserId"_s, idOf(QStringLiteral("bob")) }, { u"roleId"_s, m_foreignRole } };
        QTest::newRow("role of another group") << u"alice"_s << u"groupRole.assign"_s << assignForeign << 404;
        const QJsonObject updateForeign { { u"roleId"_s, m_foreignRole }, { u"groupId"_s, m_group }, { u"name"_s, u"Mine now"_s } };
        QTest::newRow("update role of another group") << u"alice"_s << u"groupRole.update"_s << updateForeign << 404;
    }

    void groupRoleAuthorisation()
    {
        QFETCH(QString, who);
        QFETCH(QString, procedure);
        QFETCH(QJsonObject, input);
        QFETCH(int, status);
        const HttpResult result = call(who, procedure, input);
        QCOMPARE(result.status, status);
        if (procedure == u"groupRole.create" && status == 200) {
            const QJsonObject role = result.data().toObject();
            QVERIFY(role.value(QLatin1StringView("id")).toInteger() > 0);
            QCOMPARE(role.value(QLatin1StringView("groupId")).toInteger(), m_group);
            QCOMPARE(role.value(QLatin1StringView("name")).toString(), input.value(QLatin1StringView("name")).toString());
            QCOMPARE(role.value(QLatin1StringView("permissions")).toObject(), input.value(QLatin1StringView("permissions")).toObject());
        }
    }

    void groupRoleLifecycle()
    {
        const HttpResult created = call(QStringLiteral("alice"), QStringLiteral("groupRole.create"),
            { { QStringLiteral("groupId"), m_group }, { QStringLiteral("name"), QStringLiteral("Pinner") }, { QStringLiteral("permissions"), rolePermissions(true) } });
        QCOMPARE(created.status, 200);
        QVERIFY(!created.data().toObject().contains(QLatin1StringView("color")));
        const qint64 roleId = created.data()[QLatin1StringView("id")].toInteger();
        const QJsonObject onlyColour { { QStringLiteral("roleId"), roleId }, { QStringLiteral("groupId"), m_group }, { QStringLiteral("color"), QStringLiteral("#AA3366") } };
        QCOMPARE(call(QStringLiteral("alice"), QStringLiteral("groupRole.update"), onlyColour).status, 200);
        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("groupRole.update"), onlyColour).status, 403);

        const auto membership = [&](const QString& target) {
            return QJsonObject { { QStringLiteral("groupId"), m_group }, { QStringLiteral("targetUserId"), idOf(target) }, { QStringLiteral("roleId"), roleId } };
        };
        QCOMPARE(call(QStringLiteral("alice"), QStringLiteral("groupRole.assign"), membership(QStringLiteral("carol"))).status, 200);
        QCOMPARE(call(QStringLiteral("alice"), QStringLiteral("groupRole.assign"), membership(QStringLiteral("carol"))).status, 200);
        QCOMPARE(call(QStringLiteral("alice"), QStringLiteral("groupRole.assign"), membership(QStringLiteral("dave"))).status, 404);
        QCOMPARE(call(QStringLiteral("carol"), QStringLiteral("groupRole.remove"), membership(QStringLiteral("carol"))).status, 403);
        QCOMPARE(call(QStringLiteral("alice"), QStringLiteral("groupRole.remove"), membership(QStringLiteral("carol"))).status, 200);
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
        const qint64 id = postMoment(QStringLiteral("alice"), visibility, QStringLiteral("A %1 moment").arg(visibility));
        QVERIFY(id > 0);
        QCOMPARE(!feedEntry(viewer, id).isEmpty(), visible);
        // What a viewer cannot see, they cannot like or comment on either.
        const int expected = visible ? 200 : 404;
        QCOMPARE(call(viewer, QStringLiteral("moments.like"), { { QStringLiteral("id"), id } }).status, expected);
        QCOMPARE(call(viewer, QStringLiteral("moments.unlike"), { { QStringLiteral("id"), id } }).status, expected);
        QCOMPARE(call(viewer, QStringLiteral("moments.comment"), { { QStringLiteral("id"), id }, { QStringLiteral("content"), QStringLiteral("Nice") } }).status, expected);
    }

    void momentLikesAndComments()
    {
        const qint64 id = postMoment(QStringLiteral("alice"), QStringLiteral("friends"), QStringLiteral("Weekend plans?"));
        const QJsonObject target { { QStringLiteral("id"), id } };
        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("moments.like"), target).status, 200);
        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("moments.like"), target).status, 200);
        QCOMPARE(call(QStringLiteral("alice"), QStringLiteral("moments.like"), target).status, 200);
        const qint64 question = call(QStringLiteral("bob"), QStringLiteral("moments.comment"), { { QStringLiteral("id"), id }, { QStringLiteral("content"), QStringLiteral("Hiking?") } })
                                    .data()[QLatin1StringView("commentId")]
                                    .toInteger();
        QVERIFY(question > 0);
        QCOMPARE(call(QStringLiteral("alice"), QStringLiteral("moments.comment"),
                     { { QStringLiteral("id"), id }, { QStringLiteral("content"), QStringLiteral("Yes!") }, { QStringLiteral("replyToId"), question } })
                     .status,
            200);
        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("moments.unlike"), target).status, 200);

        const QJsonObject moment = feedEntry(QStringLiteral("bob"), id);
        QCOMPARE(moment.value(QLatin1StringView("userName")).toString(), QStringLiteral("alice"));
        QCOMPARE(moment.value(QLatin1StringView("likeCount")).toInteger(), 1);
        QCOMPARE(moment.value(QLatin1StringView("likes"))[0][QLatin1StringView("userId")].toInteger(), idOf(QStringLiteral("alice")));
        QCOMPARE(moment.value(QLatin1StringView("commentCount")).toInteger(), 2);
        const QJsonObject reply = moment.value(QLatin1StringView("comments"))[1].toObject();
        QCOMPARE(reply.value(QLatin1StringView("replyToId")).toInteger(), question);
        QCOMPARE(reply.value(QLatin1StringView("replyToUserName")).toString(), QStringLiteral("bob"));
        QVERIFY(!moment.value(QLatin1StringView("comments"))[0].toObject().contains(QLatin1StringView("replyToId")));

        // A reply must answer a comment of the same moment.
        const qint64 other = postMoment(QStringLiteral("alice"), QStringLiteral("friends"), QStringLiteral("Another one"));
        QCOMPARE(call(QStringLiteral("bob"), QStringLiteral("moments.comment"),
                     { { QStringLiteral("id"), other }, { QStringLiteral("content"), QStringLiteral("?") }, { QStringLiteral("replyToId"), question } })
                     .status,
            400);
    }

    void momentPagesAreNewestFirst()
    {
        const qint64 older = postMoment(QStringLiteral("dave"), QStringLiteral("private"), QStringLiteral("first"));
        const qint64 newer = postMoment(QStringLiteral("dave"), QStringLiteral("private"), QStringLiteral("second"));
        const auto page = [&](int number) {
            return user(QStringLiteral("dave")).query(QStringLiteral("moments.list"), QJsonObject { { QStringLiteral("page"), number }, { QStringLiteral("limit"), 1 } }).data().toArray();
        };
        QCOMPARE(page(1)[0][QLatin1StringView("id")].toInteger(), newer);
        QCOMPARE(page(2)[0][QLatin1StringView("id")].toInteger(), older);
        QCOMPARE(user(QStringLiteral("dave")).query(QStringLiteral("moments.list"), QJsonObject { { QStringLiteral("page"), 0 }, { QStringLiteral("limit"), 1 } }).status, 400);
    }

    void momentCreateErrors_data()
    {
        QTest::addColumn<QJsonObject>("input");
        QTest::newRow("unknown visibility") << QJsonObject { { u"content"_s, u"hi"_s }, { u"visibility"_s, u"everyone"_s } };
        QTest::newRow("blank text, no pictures") << QJsonObject { { u"content"_s, u" "_s }, { u"visibility"_s, u"public"_s } };
        QTest::newRow("script address") << QJsonObject { { u"content"_s, u"hi"_s }, { u"visibility"_s, u"public"_s }, { u"images"_s, QJsonArray { u"javascript:alert(1)"_s } } };
        QJsonArray ten;
        for (int i = 0; i < 10; ++i)
            ten.append(QStringLiteral("/uploads/%1").arg(i));
        QTest::newRow("ten pictures") << QJsonObject { { u"content"_s, u"hi"_s }, { u"visibility"_s, u"public"_s }, { u"images"_s, ten } };
        QTest::newRow("picture not text") << QJsonObject { { u"content"_s, u"hi"_s }, { u"visibility"_s, u"public"_s }, { u"images"_s, QJsonArray { 5 } } };
    }

    void momentCreateErrors()
    {
        QFETCH(QJsonObject, input);
        QCOMPARE(call(QStringLiteral("carol"), QStringLiteral("moments.create"), input).status, 400);
    }

    void globalSearch_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<int>("contacts");
        QTest::addColumn<int>("groups");
        QTest::addColumn<int>("messages");
        QTest::newRow("a contact") << u"bob"_s << 1 << 0 << 0;
        QTest::newRow("not a contact") << u"dave"_s << 0 << 0 << 0;
        QTest::newRow("a group, and a message in it") << u"pineapple"_s << 0 << 1 << 2;
        QTest::newRow("others' conversations stay hidden") << u"durian"_s << 0 << 0 << 0;
        QTest::newRow("revoked messages stay hidden") << u"mango"_s << 0 << 0 << 0;
        QTest::newRow("wildcards are literal") << u"%"_s << 0 << 0 << 0;
        QTest::newRow("blank") << u" "_s << 0 << 0 << 0;
    }

    void globalSearch()
    {
        QFETCH(QString, keyword);
        QFETCH(int, contacts);
        QFETCH(int, groups);
        QFETCH(int, messages);
        static bool seeded = false;
        if (!seeded) {
            seeded = true;
            QVERIFY(sendText(QStringLiteral("bob"), m_aliceBob, QStringLiteral("Pineapple pizza tonight?")) > 0);
            QVERIFY(sendText(QStringLiteral("carol"), m_groupConversation, QStringLiteral("who brings the pineapple")) > 0);
            const qint64 secret = openConversation(QStringLiteral("carol"), QStringLiteral("private"), { QStringLiteral("dave") });
            QVERIFY(sendText(QStringLiteral("carol"), secret, QStringLiteral("durian and pineapple for dave only")) > 0);
            const qint64 revoked = sendText(QStringLiteral("bob"), m_aliceBob, QStringLiteral("mango"));
            QCOMPARE(user(QStringLiteral("bob")).mutation(QStringLiteral("messages.revoke"), QJsonObject { { QStringLiteral("messageId"), revoked } }).status, 200);
        }
        const HttpResult result = call(QStringLiteral("alice"), QStringLiteral("search.global"), { { QStringLiteral("keyword"), keyword }, { QStringLiteral("limit"), 10 } });
        QCOMPARE(result.status, 200);
        const QJsonObject found = result.data().toObject();
        for (const char* key : { "contacts", "groups", "messages" })
            QVERIFY2(found.value(QLatin1StringView(key)).isArray(), key);
        QCOMPARE(found.value(QLatin1StringView("contacts")).toArray().size(), contacts);
        QCOMPARE(found.value(QLatin1StringView("groups")).toArray().size(), groups);
        QCOMPARE(found.value(QLatin1StringView("messages")).toArray().size(), messages);
        for (const QJsonValue& message : found.value(QLatin1StringView("messages")).toArray()) {
            QVERIFY(message[QLatin1StringView("conversationId")].toInteger() > 0);
            QVERIFY(message[QLatin1StringView("senderId")].toInteger() > 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestServerSocial)
#include "tst_server_social.moc"
