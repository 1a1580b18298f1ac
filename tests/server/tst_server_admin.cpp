// End to end against morvane-server: the administration REST and procedures on a
// server of 45 accounts whose administrator was made with "--set-role", started
// afresh on a copy of those accounts for each test function, so that one broken rule
// fails its own function only:
// statistics from known data, paging and search, ban, roles, dissolving groups,
// deleting messages, sensitive words and the system configuration with its effects.

#include "ServerProcess.h"
#include "ServerTestClient.h"
#include "Totp.h"
#include "TotpCodes.h"
#include "WriteLockHold.h"

#include "models/AdminListResponse.h"
#include "models/AdminStats.h"
#include "models/SensitiveWord.h"
#include "models/SystemConfig.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>

using testsupport::ServerProcess;
using namespace Qt::StringLiterals;

class TestServerAdmin : public QObject {
    Q_OBJECT

private:
    static constexpr int kMembers = 40;

    // Made once and stopped: its data is where each function's server starts from.
    ServerProcess m_accounts;
    std::unique_ptr<ServerProcess> m_server;
    QString m_serverFor; // the function the running server was started for
    // The messages messageSearchPaging wrote, by id, and the server it wrote them on.
    QHash<qint64, int> m_pagedMessages;
    QUrl m_pagedOn;
    std::unique_ptr<ApiClient> m_root;
    // Signed-in members "user01".."user04", who chat and get banned.
    std::map<int, std::unique_ptr<ApiClient>> m_users;
    QList<qint64> m_allIds;
    int m_sent = 0;

    ApiClient& user(int n) { return *m_users.at(n); }
    ServerProcess& server() { return *m_server; }

    // A server on a copy of the accounts, the administrator and the first four members
    // signed in; the rows of a function's table share it.
    bool freshServer()
    {
        const QString function = QString::fromLatin1(QTest::currentTestFunction());
        if (m_server && m_serverFor == function)
            return true;
        m_users.clear();
        m_root.reset();
        m_server = std::make_unique<ServerProcess>();
        if (!m_server->copyDataFrom(m_accounts.dataDir()) || !m_server->start())
            return false;
        m_serverFor = function;
        m_root = std::make_unique<ApiClient>(m_server->baseUrl());
        if (m_root->login(u"root"_s, u"secret123"_s)["user"_L1]["role"_L1].toString() != u"admin")
            return false;
        for (int n = 1; n <= 4; ++n) {
            m_users[n] = std::make_unique<ApiClient>(m_server->baseUrl());
            m_users[n]->login(u"user%1"_s.arg(n, 2, 10, QChar(u'0')), u"secret123"_s);
            if (m_users[n]->userId() <= 0)
                return false;
        }
        return true;
    }

    HttpResult registerAccount(const QString& username, const QString& nickname, const QString& email = {})
    {
        QJsonObject body { { u"username"_s, username }, { u"password"_s, u"secret123"_s }, { u"nickname"_s, nickname } };
        if (!email.isEmpty())
            body.insert(u"email"_s, email);
        return ApiClient(server().baseUrl()).postJson(u"/api/auth/register"_s, body);
    }

    // Empty figures when the answer does not decode, so the comparisons fail instead of crashing.
    AdminStats stats() { return decoded<AdminStats>(m_root->get(u"/api/admin/stats"_s).json()).value_or(AdminStats {}); }

    // A group takes only the creator's contacts: the members become the owner's first.
    qint64 createGroup(ApiClient& owner, const QString& name, const QList<qint64>& members, int* status = nullptr)
    {
        QJsonArray ids;
        for (const qint64 id : members) {
            ids.append(id);
            befriend(owner, id);
        }
        const HttpResult result = owner.mutation(u"conversations.create"_s, QJsonObject { { u"type"_s, u"group"_s }, { u"name"_s, name }, { u"memberIds"_s, ids } });
        if (status)
            *status = result.status;
        return result.data()["conversationId"_L1].toInteger();
    }

    void befriend(ApiClient& owner, qint64 memberId)
    {
        for (const auto& [n, member] : m_users) {
            if (member->userId() != memberId)
                continue;
            member->mutation(u"contacts.sendFriendRequest"_s, QJsonObject { { u"toUserId"_s, owner.userId() } });
            for (const QJsonValue& request : owner.query(u"contacts.getFriendRequests"_s).data().toArray())
                owner.mutation(u"contacts.acceptFriendRequest"_s, QJsonObject { { u"requestId"_s, request["id"_L1] } });
        }
    }

    // The group id (of the administration lists) of a group conversation.
    qint64 groupIdOf(qint64 conversationId, ApiClient& member)
    {
        for (const QJsonValue& g : member.query(u"groups.list"_s).data().toArray()) {
            if (g["conversationId"_L1].toInteger() == conversationId)
                return g["id"_L1].toInteger();
        }
        return 0;
    }

    qint64 send(LiveClient& live, qint64 conversationId, const QString& text)
    {
        live.sendFrame(u"message_send"_s, { { u"clientMsgId"_s, u"admin-test-%1"_s.arg(++m_sent) }, { u"conversationId"_s, conversationId },
                                            { u"type"_s, u"text"_s }, { u"content"_s, text } });
        return live.waitFor(u"message_ack"_s).value_or(QJsonObject())["messageId"_L1].toInteger();
    }

    QJsonObject config() { return m_root->query(u"admin.getSystemConfig"_s).data().toObject(); }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<ServerProcess>();
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        QCOMPARE(registerAccount(u"root"_s, u"Root"_s).status, 200);
        for (int n = 1; n <= kMembers; ++n)
            QCOMPARE(registerAccount(u"user%1"_s.arg(n, 2, 10, QChar(u'0')), u"Member %1"_s.arg(n, 2, 10, QChar(u'0'))).status, 200);
        QCOMPARE(registerAccount(u"elodie"_s, u"Élodie Durand"_s).status, 200);
        QCOMPARE(registerAccount(u"zhangwei"_s, u"张伟"_s).status, 200);
        QCOMPARE(registerAccount(u"cppfan"_s, u"C++ Fan"_s).status, 200);
        QCOMPARE(registerAccount(u"tagger"_s, u"Tagger"_s, u"plus+tag@example.com"_s).status, 200);
        QVERIFY(m_server->stop());

        QByteArray errors;
        QCOMPARE(m_server->runOnce({ u"--set-role"_s, u"root"_s, u"admin"_s }, &errors), 0);
        QVERIFY(m_accounts.copyDataFrom(m_server->dataDir()));
        m_server.reset();
        QVERIFY(freshServer());
        const auto all = decoded<AdminUserListResponse>(m_root->get(u"/api/admin/users?limit=100"_s).json());
        QVERIFY(all);
        for (const AdminUser& u : all->rows)
            m_allIds.append(u.id);
    }

    void init()
    {
        QVERIFY2(freshServer(), qPrintable(m_server ? m_server->errorString() : QString()));
    }

    // On fresh data: these are the only sockets, messages and groups there are.
    void statisticsFromKnownData()
    {
        AdminStats figures = stats();
        QCOMPARE(figures.totalUsers, std::optional<qint64>(45));
        QCOMPARE(decoded<AdminUserListResponse>(m_root->get(u"/api/admin/users"_s).json()).value_or(AdminUserListResponse {}).total, figures.totalUsers);
        QCOMPARE(figures.onlineUsers, std::optional<qint64>(0));
        QCOMPARE(figures.totalMessages, std::optional<qint64>(0));
        QCOMPARE(figures.activeGroups, std::optional<qint64>(0));

        auto first = std::make_unique<LiveClient>(server().wsUrl());
        auto second = std::make_unique<LiveClient>(server().wsUrl());
        LiveClient other(server().wsUrl());
        QVERIFY(first->authenticate(user(1).token, user(1).userId()));
        QVERIFY(second->authenticate(user(1).token, user(1).userId(), u"second-device"_s));
        QCOMPARE(stats().onlineUsers, std::optional<qint64>(1));
        QVERIFY(other.authenticate(user(2).token, user(2).userId()));
        QCOMPARE(stats().onlineUsers, std::optional<qint64>(2));

        const qint64 group = createGroup(user(1), u"Stats one"_s, { user(2).userId() });
        createGroup(user(2), u"Stats two"_s, { user(3).userId() });
        for (const QString& text : { u"one"_s, u"two"_s, u"three"_s })
            QVERIFY(send(*first, group, text) > 0);
        figures = stats();
        QCOMPARE(figures.totalMessages, std::optional<qint64>(3));
        QCOMPARE(figures.activeGroups, std::optional<qint64>(2));

        // Online counts accounts: it drops only when an account's last socket closes.
        first.reset();
        QVERIFY(other.serverCaughtUp());
        QCOMPARE(stats().onlineUsers, std::optional<qint64>(2));
        second.reset();
        QTRY_COMPARE(stats().onlineUsers, std::optional<qint64>(1));
    }

    void paging_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("firstIndex"); // into the accounts, oldest first
        QTest::newRow("page 2 of 45 at 20") << u"page=2&limit=20"_s << 200 << 20 << 20;
        QTest::newRow("last page") << u"page=3&limit=20"_s << 200 << 5 << 40;
        QTest::newRow("beyond the last page") << u"page=9&limit=20"_s << 200 << 0 << -1;
        QTest::newRow("defaults: page 1 of 20") << QString() << 200 << 20 << 0;
        QTest::newRow("page 0") << u"page=0"_s << 400 << 0 << -1;
        QTest::newRow("page not a number") << u"page=two"_s << 400 << 0 << -1;
        QTest::newRow("limit 0") << u"limit=0"_s << 400 << 0 << -1;
    }

    void paging()
    {
        QFETCH(QString, query);
        QFETCH(int, status);
        QFETCH(int, rows);
        QFETCH(int, firstIndex);
        const HttpResult result = m_root->get(u"/api/admin/users?"_s + query);
        QCOMPARE(result.status, status);
        if (status != 200) {
            QVERIFY(!result.errorMessage().isEmpty());
            return;
        }
        const auto page = decoded<AdminUserListResponse>(result.json());
        QVERIFY(page);
        QCOMPARE(page->total, std::optional<qint64>(45));
        QCOMPARE(page->rows.size(), rows);
        for (int i = 0; i < rows; ++i)
            QCOMPARE(page->rows[i].id, m_allIds[firstIndex + i]);
    }

    void userSearch_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("firstName");
        QTest::newRow("any letter case, beyond ASCII") << u"search=%C3%89LODIE"_s << 1 << u"Élodie Durand"_s;
        QTest::newRow("Chinese name") << u"search=%E5%BC%A0"_s << 1 << u"张伟"_s;
        QTest::newRow("plus sign as %2B") << u"search=C%2B%2B"_s << 1 << u"C++ Fan"_s;
        QTest::newRow("plus sign as it stands") << u"search=C++"_s << 1 << u"C++ Fan"_s;
        QTest::newRow("e-mail address") << u"search=plus%2Btag"_s << 1 << u"Tagger"_s;
        QTest::newRow("openId") << u"search=USER0"_s << 9 << u"Member 01"_s;
        QTest::newRow("a blank is searched for") << u"search=%20"_s << 42 << u"Member 01"_s;
        QTest::newRow("page 2 of the matches") << u"search=member&page=2&limit=20"_s << 40 << u"Member 21"_s;
        QTest::newRow("no match") << u"search=nobody"_s << 0 << QString();
    }

    void userSearch()
    {
        QFETCH(QString, query);
        QFETCH(int, total);
        QFETCH(QString, firstName);
        const auto page = decoded<AdminUserListResponse>(m_root->get(u"/api/admin/users?"_s + query).json());
        QVERIFY(page);
        QCOMPARE(page->total, std::optional<qint64>(total));
        QCOMPARE(page->rows.value(0).name.value_or(QString()), firstName);
    }

    void groupAndMessageSearch()
    {
        const qint64 conversation = createGroup(user(3), u"Ünïcode Wanderers"_s, { user(4).userId() });
        LiveClient live(server().wsUrl());
        QVERIFY(live.authenticate(user(3).token, user(3).userId()));
        send(live, conversation, u"Meet at the ÉCOLE at 1+1 o'clock"_s);

        const auto groups = decoded<AdminGroupListResponse>(m_root->get(u"/api/admin/groups?search=%C3%BCN%C3%AFCODE"_s).json());
        QVERIFY(groups);
        QCOMPARE(groups->total, std::optional<qint64>(1));
        QCOMPARE(groups->rows.value(0).memberCount, std::optional<qint64>(2));
        QCOMPARE(groups->rows.value(0).ownerName, std::optional<QString>(u"Member 03"_s));

        for (const QString& query : { u"search=%C3%A9cole%20at%201%2B1"_s, u"search=member%2003"_s }) {
            const auto messages = decoded<AuditMessageListResponse>(m_root->get(u"/api/admin/messages?"_s + query).json());
            QVERIFY(messages);
            QCOMPARE(messages->total, std::optional<qint64>(1));
            QCOMPARE(messages->rows.value(0).senderName, std::optional<QString>(u"Member 03"_s));
            QCOMPARE(messages->rows.value(0).isDeleted, std::optional<bool>(false));
        }
    }

    void messageSearchPaging_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("total");
        QTest::addColumn<QList<int>>("rows"); // which "paged n" message each row is, newest first
        const auto range = [](int from, int to) {
            QList<int> numbers;
            for (int n = from; n >= to; --n)
                numbers << n;
            return numbers;
        };
        QTest::newRow("first page of 30") << u"search=PAGED&page=1&limit=30"_s << 35 << range(34, 5);
        QTest::newRow("the rest on the second") << u"search=paged&page=2&limit=30"_s << 35 << range(4, 0);
        QTest::newRow("beyond the last page") << u"search=paged&page=3&limit=30"_s << 35 << QList<int>();
        QTest::newRow("pages of 10 in the middle") << u"search=Paged&page=3&limit=10"_s << 35 << range(14, 5);
        QTest::newRow("a key of two characters") << u"search=D%20&page=2&limit=30"_s << 35 << range(4, 0);
        QTest::newRow("the other sender's name") << u"search=member%2004&limit=5"_s << 17 << QList<int> { 33, 31, 29, 27, 25 };
        QTest::newRow("a word of some") << u"search=odd%20one&page=2&limit=4"_s << 17 << QList<int> { 25, 23, 21, 19 };
        QTest::newRow("every message") << u"page=1&limit=3"_s << 35 << range(34, 32);
    }

    // Pages of a search follow one another, newest first, with the count of all matches.
    void messageSearchPaging()
    {
        QFETCH(QString, query);
        QFETCH(int, total);
        QFETCH(QList<int>, rows);
        // Written once for the rows of the table (they share the server).
        QHash<qint64, int>& numberOf = m_pagedMessages;
        if (numberOf.isEmpty() || server().baseUrl() != m_pagedOn) {
            numberOf.clear();
            m_pagedOn = server().baseUrl();
            const qint64 conversation = createGroup(user(3), u"Pages"_s, { user(4).userId() });
            LiveClient third(server().wsUrl());
            LiveClient fourth(server().wsUrl());
            QVERIFY(third.authenticate(user(3).token, user(3).userId()));
            QVERIFY(fourth.authenticate(user(4).token, user(4).userId()));
            for (int n = 0; n < 35; ++n) {
                const qint64 id = send(n % 2 ? fourth : third, conversation, u"paged %1 %2"_s.arg(n).arg(n % 2 ? u"odd one"_s : u"even"_s));
                QVERIFY(id > 0);
                numberOf.insert(id, n);
            }
        }
        const auto page = decoded<AuditMessageListResponse>(m_root->get(u"/api/admin/messages?"_s + query).json());
        QVERIFY(page);
        QCOMPARE(page->total, std::optional<qint64>(total));
        QList<int> found;
        for (const AuditMessage& message : page->rows)
            found << numberOf.value(message.id, -1);
        QCOMPARE(found, rows);
    }

    void limitIsCapped()
    {
        const qint64 conversation = createGroup(user(3), u"Chatterbox"_s, { user(4).userId() });
        LiveClient live(server().wsUrl());
        QVERIFY(live.authenticate(user(3).token, user(3).userId()));
        for (int i = 0; i < 101; ++i)
            QVERIFY(send(live, conversation, u"chatter %1"_s.arg(i)) > 0);
        const auto page = decoded<AuditMessageListResponse>(m_root->get(u"/api/admin/messages?limit=1000"_s).json());
        QVERIFY(page);
        QVERIFY(page->total.value_or(0) >= 101);
        QCOMPARE(page->rows.size(), 100);
    }

    void banEndsEverythingUntilUnban()
    {
        ApiClient banned(server().baseUrl());
        const QString refreshToken = banned.login(u"user05"_s, u"secret123"_s)["refresh_token"_L1].toString();
        LiveClient live(server().wsUrl());
        QVERIFY(live.authenticate(banned.token, banned.userId()));

        QCOMPARE(m_root->postJson(u"/api/admin/users/ban"_s, { { u"userId"_s, banned.userId() }, { u"banned"_s, true } }).status, 200);
        QVERIFY(live.waitForClose());
        QCOMPARE(banned.get(u"/api/auth/me"_s).status, 401);
        QCOMPARE(banned.query(u"conversations.list"_s).status, 401);
        // The first renewal is told why; the session is gone after it.
        const HttpResult renewal = banned.postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, refreshToken } });
        QCOMPARE(renewal.status, 403);
        QVERIFY2(renewal.errorMessage().contains(u"banned"_s), qPrintable(renewal.errorMessage()));
        QCOMPARE(banned.postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, refreshToken } }).status, 401);
        ApiClient unused(server().baseUrl());
        const QString unusedRefresh = unused.login(u"user06"_s, u"secret123"_s)["refresh_token"_L1].toString();
        ApiClient again(server().baseUrl());
        const HttpResult refused = again.postJson(u"/api/auth/login"_s, { { u"username"_s, u"user05"_s }, { u"password"_s, u"secret123"_s } });
        QCOMPARE(refused.status, 403);
        QVERIFY2(refused.errorMessage().contains(u"banned"_s), qPrintable(refused.errorMessage()));
        const auto listed = decoded<AdminUserListResponse>(m_root->get(u"/api/admin/users?search=user05"_s).json());
        QVERIFY(listed);
        QCOMPARE(listed->rows.value(0).isBanned, std::optional<bool>(true));

        QCOMPARE(m_root->postJson(u"/api/admin/users/ban"_s, { { u"userId"_s, banned.userId() }, { u"banned"_s, false } }).status, 200);
        QCOMPARE(again.postJson(u"/api/auth/login"_s, { { u"username"_s, u"user05"_s }, { u"password"_s, u"secret123"_s } }).status, 200);
        // A session not renewed during the ban does not come back with the unban.
        QCOMPARE(m_root->postJson(u"/api/admin/users/ban"_s, { { u"userId"_s, unused.userId() }, { u"banned"_s, true } }).status, 200);
        QCOMPARE(m_root->postJson(u"/api/admin/users/ban"_s, { { u"userId"_s, unused.userId() }, { u"banned"_s, false } }).status, 200);
        QCOMPARE(unused.postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, unusedRefresh } }).status, 401);
        QCOMPARE(unused.get(u"/api/auth/me"_s).status, 401);
    }

    void roleChanges_data()
    {
        QTest::addColumn<bool>("self");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("roleAfter");
        const auto role = [](const QString& r) { return QJsonObject { { u"role"_s, r } }; };
        QTest::newRow("vip") << false << u"users/role"_s << role(u"vip"_s) << 200 << u"vip"_s;
        QTest::newRow("operator") << false << u"users/role"_s << role(u"operator"_s) << 200 << u"operator"_s;
        QTest::newRow("roles are case-sensitive") << false << u"users/role"_s << role(u"Admin"_s) << 400 << u"operator"_s;
        QTest::newRow("no such role") << false << u"users/role"_s << role(u"root"_s) << 400 << u"operator"_s;
        QTest::newRow("empty role") << false << u"users/role"_s << role(QString()) << 400 << u"operator"_s;
        QTest::newRow("back to user") << false << u"users/role"_s << role(u"user"_s) << 200 << u"user"_s;
        QTest::newRow("self-demotion") << true << u"users/role"_s << role(u"user"_s) << 400 << u"admin"_s;
        QTest::newRow("self to operator") << true << u"users/role"_s << role(u"operator"_s) << 400 << u"admin"_s;
        QTest::newRow("self stays admin") << true << u"users/role"_s << role(u"admin"_s) << 200 << u"admin"_s;
        QTest::newRow("self-ban") << true << u"users/ban"_s << QJsonObject { { u"banned"_s, true } } << 400 << u"admin"_s;
    }

    void roleChanges()
    {
        QFETCH(bool, self);
        QFETCH(QString, path);
        QFETCH(QJsonObject, body);
        QFETCH(int, status);
        QFETCH(QString, roleAfter);
        ApiClient& target = self ? *m_root : user(4);
        body.insert(u"userId"_s, target.userId());
        const HttpResult result = m_root->postJson(u"/api/admin/"_s + path, body);
        QCOMPARE(result.status, status);
        if (status != 200)
            QVERIFY(!result.errorMessage().isEmpty());
        QCOMPARE(target.get(u"/api/auth/me"_s).json()["user"_L1]["role"_L1].toString(), roleAfter);
        QCOMPARE(m_root->get(u"/api/admin/stats"_s).status, 200);
    }

    void unknownTargetsAreNotFound_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("body");
        QTest::newRow("ban") << u"users/ban"_s << QJsonObject { { u"userId"_s, 999999 }, { u"banned"_s, true } };
        QTest::newRow("role") << u"users/role"_s << QJsonObject { { u"userId"_s, 999999 }, { u"role"_s, u"vip"_s } };
        QTest::newRow("dissolve") << u"groups/dissolve"_s << QJsonObject { { u"groupId"_s, 999999 } };
        QTest::newRow("delete") << u"messages/delete"_s << QJsonObject { { u"messageId"_s, 999999 } };
    }

    void unknownTargetsAreNotFound()
    {
        QFETCH(QString, path);
        QFETCH(QJsonObject, body);
        QCOMPARE(m_root->postJson(u"/api/admin/"_s + path, body).status, 404);
    }

    void dissolveReachesMembers()
    {
        const qint64 conversation = createGroup(user(1), u"Dissolve me"_s, { user(2).userId() });
        const qint64 groupId = groupIdOf(conversation, user(2));
        QVERIFY(groupId > 0);
        const qint64 activeBefore = stats().activeGroups.value_or(-1);
        LiveClient member(server().wsUrl(), "zh-Hans");
        QVERIFY(member.authenticate(user(2).token, user(2).userId()));

        // The notice says what happened; each member's client words it in the member's
        // language. Its content is in the acting administrator's.
        m_root->language = "vi";
        QCOMPARE(m_root->postJson(u"/api/admin/groups/dissolve"_s, { { u"groupId"_s, groupId } }).status, 200);
        m_root->language.clear();
        const auto delivered = member.waitFor(u"message_deliver"_s);
        QVERIFY(delivered);
        const QJsonObject notice = delivered->value("message"_L1).toObject();
        QCOMPARE(notice["type"_L1].toString(), u"system"_s);
        QCOMPARE(notice["notice"_L1].toString(), u"group_dissolved"_s);
        QCOMPARE(notice["content"_L1].toString(), u"Nhóm này đã bị quản trị viên giải tán"_s);
        QCOMPARE(notice["conversationId"_L1].toInteger(), conversation);

        QCOMPARE(groupIdOf(conversation, user(2)), 0);
        QCOMPARE(stats().activeGroups.value_or(-1), activeBefore - 1);
        const auto listed = decoded<AdminGroupListResponse>(m_root->get(u"/api/admin/groups?search=dissolve%20me"_s).json());
        QVERIFY(listed);
        QVERIFY(listed->rows.isEmpty());

        member.sendFrame(u"message_send"_s, { { u"clientMsgId"_s, u"after-dissolve"_s }, { u"conversationId"_s, conversation },
                                              { u"type"_s, u"text"_s }, { u"content"_s, u"anyone?"_s } });
        const auto refused = member.waitFor(u"error"_s);
        QVERIFY(refused);
        QCOMPARE(refused->value("clientMsgId"_L1).toString(), u"after-dissolve"_s);
        QCOMPARE(refused->value("reason"_L1).toString(), u"该群已解散"_s);
        QVERIFY(member.staysQuiet(u"message_ack"_s));
    }

    // The server's message writer holds the database's write lock while it stores a
    // batch or checkpoints; a request that writes meanwhile waits for it. (A statement
    // left open made the write an upgrade of a read, which SQLite refuses at once.)
    void writesWaitForABusyDatabase_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("dissolving a group") << u"dissolve"_s;
        QTest::newRow("deleting a message") << u"delete"_s;
        QTest::newRow("switching two-factor on") << u"two-factor"_s;
    }
    void writesWaitForABusyDatabase()
    {
        QFETCH(QString, what);
        std::function<HttpResult()> request;
        std::function<bool()> done;
        if (what == u"dissolve") {
            const qint64 groupId = groupIdOf(createGroup(user(1), u"Busy %1"_s.arg(m_sent), { user(2).userId() }), user(2));
            QVERIFY(groupId > 0);
            request = [=, this] { return m_root->postJson(u"/api/admin/groups/dissolve"_s, { { u"groupId"_s, groupId } }); };
            done = [=, this] { return groupIdOf(groupId, user(2)) == 0; };
        } else if (what == u"delete") {
            const qint64 conversation = createGroup(user(1), u"Busy %1"_s.arg(m_sent), { user(2).userId() });
            LiveClient live(server().wsUrl());
            QVERIFY(live.authenticate(user(1).token, user(1).userId()));
            const qint64 messageId = send(live, conversation, u"to be deleted"_s);
            QVERIFY(messageId > 0);
            request = [=, this] { return m_root->postJson(u"/api/admin/messages/delete"_s, { { u"messageId"_s, messageId } }); };
            done = [=, this] {
                const auto audit = decoded<AuditMessageListResponse>(m_root->get(u"/api/admin/messages?search=to%20be%20deleted"_s).json());
                return audit && audit->rows.value(0).isDeleted == std::optional<bool>(true);
            };
        } else {
            const QJsonObject setup = user(3).mutation(u"user.setupMFA"_s).data().toObject();
            const QByteArray secret = Totp::fromBase32(setup.value("secret"_L1).toString()).value_or(QByteArray());
            QVERIFY(!secret.isEmpty());
            const QString code = testtotp::codeAt(secret, 0);
            request = [=, this] { return user(3).mutation(u"user.verifyMFA"_s, QJsonObject { { u"code"_s, code } }); };
            done = [this] { return user(3).query(u"user.mfaStatus"_s).data()["enabled"_L1].toBool(); };
        }

        WriteLockHold hold(server().dataDir());
        QVERIFY(hold.isHeld());
        hold.releaseAfter(300);
        const HttpResult result = request();
        QVERIFY2(result.status == 200, qPrintable(u"%1: %2"_s.arg(result.status).arg(result.errorMessage())));
        QVERIFY(!hold.isHeld());
        QVERIFY(done());
    }

    void deleteRevokesForMembers()
    {
        const qint64 conversation = user(1).mutation(u"conversations.create"_s,
            QJsonObject { { u"type"_s, u"private"_s }, { u"memberIds"_s, QJsonArray { user(2).userId() } } }).data()["conversationId"_L1].toInteger();
        LiveClient sender(server().wsUrl());
        LiveClient member(server().wsUrl());
        QVERIFY(sender.authenticate(user(1).token, user(1).userId()));
        QVERIFY(member.authenticate(user(2).token, user(2).userId()));
        const qint64 messageId = send(sender, conversation, u"the secret plan"_s);
        QVERIFY(member.waitFor(u"message_deliver"_s));

        QCOMPARE(m_root->postJson(u"/api/admin/messages/delete"_s, { { u"messageId"_s, messageId } }).status, 200);
        const auto revoked = member.waitFor(u"message_revoked"_s);
        QVERIFY(revoked);
        QCOMPARE(revoked->value("messageId"_L1).toInteger(), messageId);
        QCOMPARE(revoked->value("removedByAdmin"_L1), QJsonValue(true));
        // Deleted again: still a success, and nobody is told a second time.
        QCOMPARE(m_root->postJson(u"/api/admin/messages/delete"_s, { { u"messageId"_s, messageId } }).status, 200);

        // The sender's own revoke is not marked as an administrator's.
        const qint64 ownId = send(sender, conversation, u"never mind"_s);
        QVERIFY(member.waitFor(u"message_deliver"_s));
        user(1).mutation(u"messages.revoke"_s, QJsonObject { { u"messageId"_s, ownId } });
        const auto own = member.waitFor(u"message_revoked"_s);
        QVERIFY(own);
        QCOMPARE(own->value("messageId"_L1).toInteger(), ownId);
        QVERIFY(!own->contains("removedByAdmin"_L1));

        const auto audit = decoded<AuditMessageListResponse>(m_root->get(u"/api/admin/messages?search=secret%20plan"_s).json());
        QVERIFY(audit);
        QCOMPARE(audit->rows.value(0).isDeleted, std::optional<bool>(true));
        const QJsonObject page { { u"conversationId"_s, conversation }, { u"limit"_s, 10 }, { u"offset"_s, 0 } };
        const QJsonArray listed = user(2).query(u"messages.list"_s, page).data().toArray();
        QJsonObject seen, ownSeen;
        for (const QJsonValue& m : listed) {
            if (m["id"_L1].toInteger() == messageId)
                seen = m.toObject();
            if (m["id"_L1].toInteger() == ownId)
                ownSeen = m.toObject();
        }
        QCOMPARE(seen["status"_L1].toString(), u"revoked"_s);
        QVERIFY(!seen.contains("content"_L1));
        QCOMPARE(seen["removedByAdmin"_L1], QJsonValue(true));
        QCOMPARE(ownSeen["status"_L1].toString(), u"revoked"_s);
        QVERIFY(!ownSeen.contains("removedByAdmin"_L1));
    }

    void configValidation_data()
    {
        QTest::addColumn<QJsonObject>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QJsonObject>("changed"); // keys that differ from the baseline afterwards
        const auto in = [](std::initializer_list<QPair<QString, QJsonValue>> pairs) {
            QJsonObject o;
            for (const auto& [k, v] : pairs)
                o.insert(k, v);
            return o;
        };
        const QString members = u"maxGroupMembers"_s, days = u"messageRetentionDays"_s;
        QTest::newRow("one member") << in({ { members, 1 } }) << 400 << QJsonObject();
        QTest::newRow("two members") << in({ { members, 2 } }) << 200 << in({ { members, 2 } });
        QTest::newRow("ten thousand members") << in({ { members, 10000 } }) << 200 << in({ { members, 10000 } });
        QTest::newRow("more than ten thousand") << in({ { members, 10001 } }) << 400 << QJsonObject();
        QTest::newRow("no retention") << in({ { days, 0 } }) << 400 << QJsonObject();
        QTest::newRow("one day") << in({ { days, 1 } }) << 200 << in({ { days, 1 } });
        QTest::newRow("a century") << in({ { days, 36500 } }) << 200 << in({ { days, 36500 } });
        QTest::newRow("beyond a century") << in({ { days, 36501 } }) << 400 << QJsonObject();
        QTest::newRow("one bad key changes nothing") << in({ { members, 50 }, { days, 0 } }) << 400 << QJsonObject();
        QTest::newRow("a number as text") << in({ { members, u"50"_s } }) << 400 << QJsonObject();
        QTest::newRow("absent keys stay") << in({ { u"screenshotProtection"_s, true } }) << 200 << in({ { u"screenshotProtection"_s, true } });
    }

    void configValidation()
    {
        QFETCH(QJsonObject, input);
        QFETCH(int, status);
        QFETCH(QJsonObject, changed);
        const QJsonObject baseline { { u"maxGroupMembers"_s, 500 }, { u"messageRetentionDays"_s, 365 },
                                     { u"screenshotProtection"_s, false }, { u"allowRegistration"_s, true } };
        QCOMPARE(m_root->mutation(u"admin.updateSystemConfig"_s, baseline).status, 200);
        QCOMPARE(m_root->mutation(u"admin.updateSystemConfig"_s, input).status, status);
        QJsonObject expected = baseline;
        for (auto it = changed.begin(); it != changed.end(); ++it)
            expected.insert(it.key(), it.value());
        const auto read = decoded<SystemConfig>(config());
        QVERIFY(read);
        QCOMPARE(config(), expected);
    }

    // The client shows the refusal as it comes: it names the setting as the screen does,
    // in the reader's language, never by its key.
    void configRefusalNamesTheSetting_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("message");
        const QString members = u"maxGroupMembers"_s, days = u"messageRetentionDays"_s;
        QTest::newRow("English, group size") << "en"_ba << members << 1 << u"The maximum number of members per group must be from 2 to 10000"_s;
        QTest::newRow("English, retention") << "en-GB"_ba << days << 0 << u"The message retention in days must be from 1 to 36500"_s;
        QTest::newRow("Chinese, group size") << "zh-Hans"_ba << members << 10001 << u"群成员上限必须在 2 到 10000 之间"_s;
        QTest::newRow("Chinese, retention") << "zh-CN"_ba << days << 36501 << u"消息保留天数必须在 1 到 36500 之间"_s;
        QTest::newRow("Vietnamese, group size") << "vi"_ba << members << 1 << u"Giá trị số thành viên tối đa mỗi nhóm phải từ 2 đến 10000"_s;
        QTest::newRow("Vietnamese, retention") << "vi-VN"_ba << days << 0 << u"Giá trị số ngày lưu tin nhắn phải từ 1 đến 36500"_s;
    }

    void configRefusalNamesTheSetting()
    {
        QFETCH(QByteArray, language);
        QFETCH(QString, key);
        QFETCH(int, value);
        QFETCH(QString, message);
        m_root->language = language;
        const HttpResult refused = m_root->mutation(u"admin.updateSystemConfig"_s, QJsonObject { { key, value } });
        m_root->language = "en";
        QCOMPARE(refused.status, 400);
        QCOMPARE(refused.errorMessage(), message);
    }

    void configIsEnforced()
    {
        QCOMPARE(m_root->mutation(u"admin.updateSystemConfig"_s, QJsonObject { { u"allowRegistration"_s, false }, { u"maxGroupMembers"_s, 3 } }).status, 200);
        const HttpResult closed = registerAccount(u"latecomer"_s, u"Late"_s);
        QCOMPARE(closed.status, 403);
        QVERIFY(!closed.errorMessage().isEmpty());
        int status = 0;
        createGroup(user(1), u"Too big"_s, { user(2).userId(), user(3).userId(), user(4).userId() }, &status);
        QCOMPARE(status, 400);
        createGroup(user(1), u"Just right"_s, { user(2).userId(), user(3).userId() }, &status);
        QCOMPARE(status, 200);

        QCOMPARE(m_root->mutation(u"admin.updateSystemConfig"_s, QJsonObject { { u"allowRegistration"_s, true }, { u"maxGroupMembers"_s, 500 } }).status, 200);
        QCOMPARE(registerAccount(u"latecomer"_s, u"Late"_s).status, 200);
    }

    // In order: each row sees what the rows before it stored.
    void sensitiveWords_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("stored");
        QTest::newRow("blank") << u" \n "_s << 400 << QString();
        QTest::newRow("too long") << QString(101, u'w') << 400 << QString();
        QTest::newRow("control character") << u"sc\u0001am"_s << 400 << QString();
        QTest::newRow("trimmed") << u"  Scam Link  "_s << 200 << u"Scam Link"_s;
        QTest::newRow("duplicate in another case") << u"scam LINK"_s << 409 << QString();
        QTest::newRow("Unicode duplicate") << u"ÉCOLE"_s << 200 << u"ÉCOLE"_s;
        QTest::newRow("Unicode duplicate in another case") << u"école"_s << 409 << QString();
    }

    void sensitiveWords()
    {
        QFETCH(QString, word);
        QFETCH(int, status);
        QFETCH(QString, stored);
        const HttpResult added = m_root->mutation(u"admin.addSensitiveWord"_s, QJsonObject { { u"word"_s, word }, { u"category"_s, u"fraud"_s } });
        QCOMPARE(added.status, status);
        if (status != 200)
            return;
        const auto record = decoded<SensitiveWord>(added.data());
        QVERIFY(record);
        QCOMPARE(record->word, stored);
        QCOMPARE(record->category, std::optional<QString>(u"fraud"_s));
        const auto listed = decoded<QList<SensitiveWord>>(m_root->query(u"admin.getSensitiveWords"_s).data());
        QVERIFY(listed && listed->last().id == record->id);
    }

    void deletingWords()
    {
        for (const QString& word : { u"first word"_s, u"second word"_s })
            QCOMPARE(m_root->mutation(u"admin.addSensitiveWord"_s, QJsonObject { { u"word"_s, word }, { u"category"_s, u"fraud"_s } }).status, 200);
        const auto words = decoded<QList<SensitiveWord>>(m_root->query(u"admin.getSensitiveWords"_s).data());
        QVERIFY(words && !words->isEmpty());
        const qint64 id = words->first().id;
        QCOMPARE(m_root->mutation(u"admin.deleteSensitiveWord"_s, QJsonObject { { u"id"_s, id } }).status, 200);
        QCOMPARE(decoded<QList<SensitiveWord>>(m_root->query(u"admin.getSensitiveWords"_s).data()).value_or(QList<SensitiveWord>()).size(), words->size() - 1);
        QCOMPARE(m_root->mutation(u"admin.deleteSensitiveWord"_s, QJsonObject { { u"id"_s, id } }).status, 404);
    }

    void setRoleCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("named");
        QTest::newRow("unknown account") << QStringList { u"--set-role"_s, u"ghost"_s, u"admin"_s } << 1 << u"ghost"_s;
        QTest::newRow("role in the wrong case") << QStringList { u"--set-role"_s, u"user06"_s, u"Admin"_s } << 2 << u"Admin"_s;
        QTest::newRow("missing role") << QStringList { u"--set-role"_s, u"user06"_s } << 2 << u"--set-role"_s;
        // "<empty>" stands for a data folder that holds no server yet.
        QTest::newRow("no server data") << QStringList { u"--set-role"_s, u"user06"_s, u"vip"_s, u"--data-dir"_s, u"<empty>"_s } << 1
                                        << u"no server data"_s;
        QTest::newRow("vip") << QStringList { u"--set-role"_s, u"user06"_s, u"vip"_s } << 0 << QString();
    }

    void setRoleCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, named);
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        arguments.replaceInStrings(u"<empty>"_s, empty.path());
        QByteArray errors;
        QCOMPARE(server().runOnce(arguments, &errors), exitCode);
        QVERIFY2(QString::fromUtf8(errors).contains(named), errors.constData());
        const auto listed = decoded<AdminUserListResponse>(m_root->get(u"/api/admin/users?search=user06"_s).json());
        QCOMPARE(listed->rows.value(0).role, std::optional<QString>(exitCode == 0 ? u"vip"_s : u"user"_s));
    }

    // A server that cannot start says why and exits with a failure, so a script that
    // launches it does not go on as if it listened.
    void startupFailures_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("data folder is a file") << u"file"_s;
        QTest::newRow("port taken") << u"port"_s;
    }
    void startupFailures()
    {
        QFETCH(QString, cause);
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        QStringList arguments { u"--port"_s, QString::number(server().port()) };
        if (cause == u"file") {
            QFile file(scratch.filePath(u"taken"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
            arguments = QStringList { u"--data-dir"_s, file.fileName(), u"--port"_s, u"0"_s };
        }
        QByteArray errors;
        QCOMPARE(server().runOnce(arguments, &errors), 1);
        QVERIFY2(errors.startsWith("morvane-server: "), errors.constData());
    }
};

QTEST_GUILESS_MAIN(TestServerAdmin)
#include "tst_server_admin.moc"
