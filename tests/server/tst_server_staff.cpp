// End to end against morvane-server with the demo data: what the staff consoles read
// decodes with their records, every administration and operator entry admits exactly
// its roles, and a customer-service session goes from waiting to ended with the
// customer reading the operator's reply live.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include "models/AdminListResponse.h"
#include "models/AdminStats.h"
#include "models/OperatorSession.h"
#include "models/OperatorStatsResponse.h"
#include "models/SensitiveWord.h"
#include "models/SystemConfig.h"

#include <QJsonArray>
#include <QTest>

#include <functional>
#include <map>

using testsupport::ServerProcess;
using namespace Qt::StringLiterals;

namespace {

enum class Call { RestGet, RestPost, Query, Mutation };
// The input of an entry for a role: the roles it admits each get their own target.
using InputFor = std::function<QJsonValue(const QString& role)>;

} // namespace

Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(InputFor)

class TestServerStaff : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::map<QString, std::unique_ptr<ApiClient>> m_clients; // "user" (alice), "operator", "admin"
    QList<qint64> m_waiting; // in list order
    QList<qint64> m_active; // the demo operator's

    ApiClient& client(const QString& role) { return *m_clients.at(role); }

    QList<OperatorSession> sessionsOf(ApiClient& staff)
    {
        return decoded<QList<OperatorSession>>(staff.query(u"operator.getSessions"_s).data()).value_or(QList<OperatorSession>());
    }

    // The sessions of one customer that the demo operator's list shows, oldest first.
    QList<OperatorSession> sessionsOfCustomer(qint64 customerId)
    {
        QList<OperatorSession> found;
        for (const OperatorSession& s : sessionsOf(client(u"operator"_s))) {
            if (s.customerId == customerId)
                found.append(s);
        }
        std::sort(found.begin(), found.end(), [](const OperatorSession& a, const OperatorSession& b) { return a.id < b.id; });
        return found;
    }

    // A fresh account of this role that writes privately to someone through the live channel.
    struct Writer {
        std::unique_ptr<ApiClient> api;
        std::unique_ptr<LiveClient> live;
        qint64 conversationId = 0;
        int sent = 0;

        bool send(const QString& text)
        {
            live->sendFrame(u"message_send"_s, { { u"clientMsgId"_s, u"w%1"_s.arg(++sent) }, { u"conversationId"_s, conversationId },
                                                 { u"type"_s, u"text"_s }, { u"content"_s, text } });
            return live->waitFor(u"message_ack"_s).has_value();
        }
    };
    Writer writer(const QString& role, qint64 toUserId)
    {
        static int count = 0;
        const QString name = u"writer%1"_s.arg(++count);
        Writer w { std::make_unique<ApiClient>(m_server.baseUrl()), std::make_unique<LiveClient>(m_server.wsUrl()) };
        w.api->registerUser(name, u"secret123"_s);
        if (role != u"user")
            [&] { QCOMPARE(m_server.runOnce({ u"--set-role"_s, name, role }), 0); }();
        [&] { QVERIFY(w.live->authenticate(w.api->token, w.api->userId())); }();
        const QJsonObject input { { u"type"_s, u"private"_s }, { u"memberIds"_s, QJsonArray { toUserId } } };
        w.conversationId = w.api->mutation(u"conversations.create"_s, input).data()["conversationId"_L1].toInteger();
        return w;
    }

    static HttpResult perform(ApiClient& api, Call call, const QString& target, const QJsonValue& input)
    {
        switch (call) {
        case Call::RestGet:
            return api.get(u"/api/admin/"_s + target);
        case Call::RestPost:
            return api.postJson(u"/api/admin/"_s + target, input.toObject());
        case Call::Query:
            return api.query(target, input.isUndefined() ? std::nullopt : std::optional<QJsonValue>(input));
        case Call::Mutation:
            return api.mutation(target, input);
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        const std::pair<const char*, std::pair<const char*, const char*>> accounts[] = {
            { "user", { "alice", "alice123" } }, { "operator", { "operator", "operator123" } }, { "admin", { "admin", "admin123" } } };
        for (const auto& [role, login] : accounts) {
            auto api = std::make_unique<ApiClient>(m_server.baseUrl());
            const QJsonObject reply = api->login(QString::fromUtf8(login.first), QString::fromUtf8(login.second));
            QCOMPARE(reply["user"_L1]["role"_L1].toString(), QString::fromUtf8(role));
            m_clients[QString::fromUtf8(role)] = std::move(api);
        }
        for (const OperatorSession& s : sessionsOf(client(u"operator"_s))) {
            if (s.status == u"waiting")
                m_waiting.append(s.id);
            if (s.status == u"active")
                m_active.append(s.id);
        }
        QCOMPARE(m_waiting.size(), 3);
        QCOMPARE(m_active.size(), 2);
    }

    // Runs first, on the demo data as seeded.
    void demoFiguresDecode()
    {
        const auto stats = decoded<AdminStats>(client(u"admin"_s).get(u"/api/admin/stats"_s).json());
        QVERIFY(stats);
        QCOMPARE(stats->totalUsers, std::optional<qint64>(7));
        QCOMPARE(stats->totalMessages, std::optional<qint64>(14));
        QCOMPARE(stats->activeGroups, std::optional<qint64>(1));

        const auto users = decoded<AdminUserListResponse>(client(u"admin"_s).get(u"/api/admin/users?page=1&limit=20"_s).json());
        QVERIFY(users);
        QCOMPARE(users->total, stats->totalUsers);
        QStringList roles;
        for (const AdminUser& u : users->rows) {
            QVERIFY(u.name && u.openId && u.createdAt && u.isBanned == std::optional<bool>(false));
            roles << *u.role;
        }
        QCOMPARE(roles.count(u"admin"_s), 1);
        QCOMPARE(roles.count(u"operator"_s), 1);

        const auto groups = decoded<AdminGroupListResponse>(client(u"admin"_s).get(u"/api/admin/groups"_s).json());
        QVERIFY(groups);
        QCOMPARE(groups->rows.value(0).memberCount, std::optional<qint64>(4));
        QCOMPARE(groups->rows.value(0).ownerName, std::optional<QString>(u"Alice Chen"_s));
        QCOMPARE(groups->rows.value(0).isActive, std::optional<bool>(true));

        const auto messages = decoded<AuditMessageListResponse>(client(u"admin"_s).get(u"/api/admin/messages?page=1&limit=30"_s).json());
        QVERIFY(messages);
        QCOMPARE(messages->total, stats->totalMessages);
        QVERIFY(messages->rows.size() > 1 && messages->rows.first().id > messages->rows.last().id);
        for (const AuditMessage& m : messages->rows)
            QVERIFY(m.senderName && m.content && m.type && m.createdAt && m.conversationId);

        const auto config = decoded<SystemConfig>(client(u"admin"_s).query(u"admin.getSystemConfig"_s).data());
        QVERIFY(config && config->maxGroupMembers && config->messageRetentionDays && config->screenshotProtection && config->allowRegistration);
        const auto words = decoded<QList<SensitiveWord>>(client(u"admin"_s).query(u"admin.getSensitiveWords"_s).data());
        QVERIFY(words && words->size() >= 5);

        // Ended sessions rated 4, 5, 3 and 5 and one unrated; replies after 180, 60, 120, 300, 30
        // and 240 s; five of seven served sessions ended, one of them two days ago.
        const QList<OperatorSession> sessions = sessionsOf(client(u"operator"_s));
        QCOMPARE(sessions.size(), 10);
        for (const OperatorSession& s : sessions)
            QVERIFY(s.customerName && s.lastMessage && s.createdAt && s.customerId);
        const auto figures = decoded<OperatorStatsResponse>(client(u"operator"_s).query(u"operator.getStats"_s).data());
        QVERIFY(figures);
        QCOMPARE(figures->todayServed, std::optional<qint64>(6));
        QCOMPARE(figures->avgRating, std::optional<double>(4.25));
        QCOMPARE(figures->avgResponseTime, std::optional<qint64>(155));
        QCOMPARE(figures->resolutionRate, std::optional<double>(5.0 / 7.0));
        // An administrator who served nobody has nothing to average.
        const auto none = decoded<OperatorStatsResponse>(client(u"admin"_s).query(u"operator.getStats"_s).data());
        QVERIFY(none && !none->avgRating && !none->avgResponseTime && !none->resolutionRate);
    }

    // Rows of one entry run none, user, operator, admin in order: refusals leave the
    // targets as they were for the roles admitted after them.
    void rolesPerEntry_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("target");
        QTest::addColumn<InputFor>("input");
        QTest::addColumn<int>("status");

        ApiClient& alice = client(u"user"_s);
        const qint64 wangwu = client(u"admin"_s).get(u"/api/admin/users?search=wangwu"_s).json()["users"_L1][0]["id"_L1].toInteger();
        // A group takes only the creator's contacts: Bob is Alice's in the demo data.
        const qint64 bob = client(u"admin"_s).get(u"/api/admin/users?search=bob"_s).json()["users"_L1][0]["id"_L1].toInteger();
        const qint64 spareGroup = alice.mutation(u"conversations.create"_s,
            QJsonObject { { u"type"_s, u"group"_s }, { u"name"_s, u"Spare"_s }, { u"memberIds"_s, QJsonArray { bob } } }).data()["conversationId"_L1].toInteger();
        qint64 spareGroupId = 0;
        for (const QJsonValue& g : alice.query(u"groups.list"_s).data().toArray()) {
            if (g["conversationId"_L1].toInteger() == spareGroup)
                spareGroupId = g["id"_L1].toInteger();
        }
        const qint64 someMessage = client(u"admin"_s).get(u"/api/admin/messages?limit=1"_s).json()["messages"_L1][0]["id"_L1].toInteger();
        const qint64 someWord = client(u"admin"_s).query(u"admin.getSensitiveWords"_s).data()[0]["id"_L1].toInteger();
        QVERIFY(wangwu && spareGroupId && someMessage && someWord);

        const auto same = [](QJsonValue value) -> InputFor { return [value](const QString&) { return value; }; };
        const auto session = [this](int operatorsOwn, int adminsOwn, std::optional<QString> content = std::nullopt) -> InputFor {
            const QList<qint64> waiting = m_waiting, active = m_active;
            return [=](const QString& role) {
                const qint64 id = role == u"admin" ? (adminsOwn >= 0 ? waiting[adminsOwn] : active[1]) : (operatorsOwn >= 0 ? active[operatorsOwn] : waiting[0]);
                QJsonObject input { { u"sessionId"_s, id } };
                if (content)
                    input.insert(u"content"_s, *content);
                return QJsonValue(input);
            };
        };
        const QJsonValue none = QJsonValue::Undefined;
        struct Entry {
            const char* name;
            Call call;
            QString target;
            InputFor input;
            bool operators;
        };
        const Entry entries[] = {
            { "stats", Call::RestGet, u"stats"_s, same(none), false },
            { "users", Call::RestGet, u"users?page=1&limit=20"_s, same(none), false },
            { "groups", Call::RestGet, u"groups?page=1&limit=20"_s, same(none), false },
            { "messages", Call::RestGet, u"messages?page=1&limit=30"_s, same(none), false },
            { "ban", Call::RestPost, u"users/ban"_s, same(QJsonObject { { u"userId"_s, wangwu }, { u"banned"_s, false } }), false },
            { "role", Call::RestPost, u"users/role"_s, same(QJsonObject { { u"userId"_s, wangwu }, { u"role"_s, u"user"_s } }), false },
            { "dissolve", Call::RestPost, u"groups/dissolve"_s, same(QJsonObject { { u"groupId"_s, spareGroupId } }), false },
            { "delete", Call::RestPost, u"messages/delete"_s, same(QJsonObject { { u"messageId"_s, someMessage } }), false },
            { "get config", Call::Query, u"admin.getSystemConfig"_s, same(none), false },
            { "update config", Call::Mutation, u"admin.updateSystemConfig"_s, same(QJsonObject { { u"messageRetentionDays"_s, 90 } }), false },
            { "get words", Call::Query, u"admin.getSensitiveWords"_s, same(none), false },
            { "add word", Call::Mutation, u"admin.addSensitiveWord"_s, same(QJsonObject { { u"word"_s, u"table word"_s }, { u"category"_s, u"spam"_s } }), false },
            { "delete word", Call::Mutation, u"admin.deleteSensitiveWord"_s, same(QJsonObject { { u"id"_s, someWord } }), false },
            { "get sessions", Call::Query, u"operator.getSessions"_s, same(none), true },
            { "get operator stats", Call::Query, u"operator.getStats"_s, same(none), true },
            // The operator takes the first waiting session, the administrator the second.
            { "accept", Call::Mutation, u"operator.acceptSession"_s, session(-1, 1), true },
            { "send", Call::Mutation, u"operator.sendMessage"_s, session(0, 1, u"Hello from the service desk"_s), true },
            // The administrator may end the operator's session.
            { "end", Call::Mutation, u"operator.endSession"_s, session(0, -1), true },
        };
        for (const Entry& entry : entries) {
            for (const QString& role : { u"none"_s, u"user"_s, u"operator"_s, u"admin"_s }) {
                const int status = role == u"none" ? 401 : role == u"user" ? 403 : role == u"operator" && !entry.operators ? 403 : 200;
                QTest::addRow("%s as %s", entry.name, qPrintable(role)) << role << entry.call << entry.target << entry.input << status;
            }
        }
    }

    void rolesPerEntry()
    {
        QFETCH(QString, role);
        QFETCH(Call, call);
        QFETCH(QString, target);
        QFETCH(InputFor, input);
        QFETCH(int, status);
        ApiClient anonymous(m_server.baseUrl());
        const HttpResult result = perform(role == u"none" ? anonymous : client(role), call, target, input(role));
        QVERIFY2(result.status == status, result.body.constData());
        if (status != 200)
            QVERIFY(!result.errorMessage().isEmpty());
    }

    // Who opens a waiting session by writing privately: anyone but staff, to staff.
    void customersReachService_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("writesTo"); // "operator", "admin" or "user" (Alice)
        QTest::addColumn<bool>("opens");
        QTest::newRow("a user to the operator") << u"user"_s << u"operator"_s << true;
        QTest::newRow("a VIP to an administrator") << u"vip"_s << u"admin"_s << true;
        QTest::newRow("a user to a user") << u"user"_s << u"user"_s << false;
        QTest::newRow("an operator to an administrator") << u"operator"_s << u"admin"_s << false;
        QTest::newRow("an administrator to the operator") << u"admin"_s << u"operator"_s << false;
    }
    void customersReachService()
    {
        QFETCH(QString, role);
        QFETCH(QString, writesTo);
        QFETCH(bool, opens);
        Writer customer = writer(role, client(writesTo).userId());
        QVERIFY(customer.conversationId > 0);
        QVERIFY(customer.send(u"Hello, my order never came"_s));
        QList<OperatorSession> sessions = sessionsOfCustomer(customer.api->userId());
        if (!opens) {
            QCOMPARE(sessions.size(), 0);
            return;
        }
        QCOMPARE(sessions.size(), 1);
        const qint64 id = sessions[0].id;
        QCOMPARE(sessions[0].status, std::optional<QString>(u"waiting"_s));
        QCOMPARE(sessions[0].lastMessage, std::optional<QString>(u"Hello, my order never came"_s));

        // The next message continues the same session.
        QVERIFY(customer.send(u"It was order 4711"_s));
        sessions = sessionsOfCustomer(customer.api->userId());
        QCOMPARE(sessions.size(), 1);
        QCOMPARE(sessions[0].id, id);
        QCOMPARE(sessions[0].lastMessage, std::optional<QString>(u"It was order 4711"_s));
    }

    // An accepted session goes on taking the customer's messages; once it has ended,
    // the customer's next message opens a new one. The operator's reply reaches the
    // same private chat.
    void laterMessagesFollowTheSession()
    {
        ApiClient& staff = client(u"operator"_s);
        Writer customer = writer(u"user"_s, staff.userId());
        QVERIFY(customer.send(u"First question"_s));
        const qint64 first = sessionsOfCustomer(customer.api->userId()).value(0).id;
        const QJsonObject session { { u"sessionId"_s, first } };
        QCOMPARE(staff.mutation(u"operator.acceptSession"_s, session).status, 200);
        QCOMPARE(staff.mutation(u"operator.sendMessage"_s, QJsonObject { { u"sessionId"_s, first }, { u"content"_s, u"Happy to help"_s } }).status, 200);
        const auto reply = customer.live->waitFor(u"message_deliver"_s);
        QVERIFY(reply);
        QCOMPARE(reply->value("message"_L1)["conversationId"_L1].toInteger(), customer.conversationId);

        QVERIFY(customer.send(u"Thanks, one more thing"_s));
        QList<OperatorSession> sessions = sessionsOfCustomer(customer.api->userId());
        QCOMPARE(sessions.size(), 1);
        QCOMPARE(sessions[0].status, std::optional<QString>(u"active"_s));
        QCOMPARE(sessions[0].lastMessage, std::optional<QString>(u"Thanks, one more thing"_s));

        QCOMPARE(staff.mutation(u"operator.endSession"_s, session).status, 200);
        QVERIFY(customer.send(u"A new problem"_s));
        sessions = sessionsOfCustomer(customer.api->userId());
        QCOMPARE(sessions.size(), 2);
        QCOMPARE(sessions[0].status, std::optional<QString>(u"ended"_s));
        QCOMPARE(sessions[1].status, std::optional<QString>(u"waiting"_s));
        QCOMPARE(sessions[1].lastMessage, std::optional<QString>(u"A new problem"_s));
    }

    void sessionLifeCycle()
    {
        ApiClient(m_server.baseUrl()).registerUser(u"operator2"_s, u"secret123"_s, u"Second Operator"_s);
        QCOMPARE(m_server.runOnce({ u"--set-role"_s, u"operator2"_s, u"operator"_s }), 0);
        ApiClient& first = client(u"operator"_s);
        ApiClient second(m_server.baseUrl());
        second.login(u"operator2"_s, u"secret123"_s);
        ApiClient customer(m_server.baseUrl());
        customer.login(u"wangwu"_s, u"wangwu123"_s);
        LiveClient customerLive(m_server.wsUrl());
        QVERIFY(customerLive.authenticate(customer.token, customer.userId()));
        const qint64 id = m_waiting[2];
        const QJsonObject session { { u"sessionId"_s, id } };
        const QJsonObject reply { { u"sessionId"_s, id }, { u"content"_s, u"  您好，我来帮您看看。\n"_s } };
        const qint64 servedBefore = decoded<OperatorStatsResponse>(first.query(u"operator.getStats"_s).data()).value_or(OperatorStatsResponse {}).todayServed.value_or(-1);

        QCOMPARE(first.mutation(u"operator.acceptSession"_s, session).status, 200);
        QCOMPARE(first.mutation(u"operator.acceptSession"_s, session).status, 409);
        QCOMPARE(second.mutation(u"operator.acceptSession"_s, session).status, 409);
        QCOMPARE(second.mutation(u"operator.endSession"_s, session).status, 403);
        QCOMPARE(second.mutation(u"operator.sendMessage"_s, reply).status, 403);
        const auto othersView = sessionsOf(second);
        QVERIFY(std::none_of(othersView.begin(), othersView.end(), [](const OperatorSession& s) { return s.status != u"waiting"; }));

        QCOMPARE(first.mutation(u"operator.sendMessage"_s, QJsonObject { { u"sessionId"_s, id }, { u"content"_s, u" \n "_s } }).status, 400);
        QCOMPARE(first.mutation(u"operator.sendMessage"_s, reply).status, 200);
        const auto delivered = customerLive.waitFor(u"message_deliver"_s);
        QVERIFY(delivered);
        const QJsonObject message = delivered->value("message"_L1).toObject();
        QCOMPARE(message["content"_L1].toString(), u"您好，我来帮您看看。"_s);
        QCOMPARE(message["senderId"_L1].toInteger(), first.userId());
        QCOMPARE(message["type"_L1].toString(), u"text"_s);
        bool inChats = false;
        for (const QJsonValue& c : customer.query(u"conversations.list"_s).data().toArray())
            inChats |= c["id"_L1].toInteger() == message["conversationId"_L1].toInteger() && c["type"_L1].toString() == u"private";
        QVERIFY(inChats);

        QList<OperatorSession> mine = sessionsOf(first);
        const auto served = std::find_if(mine.begin(), mine.end(), [id](const OperatorSession& s) { return s.id == id; });
        QVERIFY(served != mine.end());
        QCOMPARE(served->status, std::optional<QString>(u"active"_s));
        QCOMPARE(served->lastMessage, std::optional<QString>(u"您好，我来帮您看看。"_s));

        QCOMPARE(first.mutation(u"operator.endSession"_s, session).status, 200);
        QCOMPARE(first.mutation(u"operator.endSession"_s, session).status, 409);
        QCOMPARE(first.mutation(u"operator.sendMessage"_s, reply).status, 409);
        for (const QString& procedure : { u"operator.acceptSession"_s, u"operator.endSession"_s, u"operator.sendMessage"_s })
            QCOMPARE(first.mutation(procedure, QJsonObject { { u"sessionId"_s, 999999 }, { u"content"_s, u"x"_s } }).status, 404);

        // The figures follow the operator's own sessions.
        mine = sessionsOf(first);
        qint64 ended = 0, taken = 0, ratingSum = 0, rated = 0;
        for (const OperatorSession& s : mine) {
            taken += s.status != u"waiting";
            ended += s.status == u"ended";
            if (s.status == u"ended" && s.rating) {
                ratingSum += *s.rating;
                ++rated;
            }
        }
        const auto figures = decoded<OperatorStatsResponse>(first.query(u"operator.getStats"_s).data());
        QVERIFY(figures);
        QCOMPARE(figures->todayServed, std::optional<qint64>(servedBefore + 1));
        QCOMPARE(figures->resolutionRate, std::optional<double>(double(ended) / double(taken)));
        QCOMPARE(figures->avgRating, std::optional<double>(double(ratingSum) / double(rated)));
    }
};

QTEST_GUILESS_MAIN(TestServerStaff)
#include "tst_server_staff.moc"
