#include "RecordingHttpServer.h"
#include "TaskRunner.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "services/ChatService.h"
#include "services/ContactService.h"
#include "services/FileService.h"
#include "services/GiftService.h"
#include "services/GroupService.h"
#include "services/MFAService.h"
#include "services/MomentService.h"
#include "services/SearchService.h"
#include "services/SessionService.h"
#include "services/VipService.h"

#include <QJsonArray>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Services {
    explicit Services(APIClient& api)
        : chat(api)
        , contacts(api)
        , groups(api)
        , moments(api)
        , search(api)
        , files(api)
        , gifts(api)
        , sessions(api)
        , vip(api)
        , mfa(api)
    {
    }
    ChatService chat;
    ContactService contacts;
    GroupService groups;
    MomentService moments;
    SearchService search;
    FileService files;
    GiftService gifts;
    SessionService sessions;
    VipService vip;
    MFAService mfa;
};

// Each row runs one operation and reduces its result to JSON for comparison.
using Call = std::function<QCoro::Task<QJsonValue>(Services&)>;

template <typename T> QCoro::Task<QJsonValue> encoded(QCoro::Task<T> task)
{
    if constexpr (std::is_void_v<T>) {
        co_await std::move(task);
        co_return QJsonValue(QJsonValue::Null);
    } else {
        co_return json::encode(co_await std::move(task));
    }
}

// Data-model records are tested with their own area; here only which ones came back matters.
template <typename T> QCoro::Task<QJsonValue> ids(QCoro::Task<QList<T>> task, qint64 T::*field = &T::id)
{
    QJsonArray out;
    for (const T& record : co_await std::move(task))
        out.append(record.*field);
    co_return out;
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TestServices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void chat_data();
    void chat() { check(); }
    void contacts_data();
    void contacts() { check(); }
    void groups_data();
    void groups() { check(); }
    void moments_data();
    void moments() { check(); }
    void search_data();
    void search() { check(); }
    void filesAndGifts_data();
    void filesAndGifts() { check(); }
    void sessionsVipAndMfa_data();
    void sessionsVipAndMfa() { check(); }

    void openDownload_data();
    void openDownload();

private:
    static void columns();
    // input: the expected input JSON, or empty when no input may be sent at all.
    // reply: the procedure's data value (status 200) or the whole error body.
    // expected: the result reduced to JSON, or empty when the call must fail with errorKind.
    static void row(const char* name, Call call, const char* procedure, const char* method, const char* input,
        const char* reply, const char* expected, int status = 200,
        APIError::Kind errorKind = APIError::Kind::DecodingError);
    void check();

    std::unique_ptr<RecordingHttpServer> m_server;
    std::unique_ptr<KeychainService> m_keychain;
    std::unique_ptr<APIClient> m_api;
    std::unique_ptr<Services> m_services;
};

void TestServices::init()
{
    m_server = std::make_unique<RecordingHttpServer>();
    m_keychain = std::make_unique<KeychainService>(std::make_unique<MemorySecretStore>());
    m_api = std::make_unique<APIClient>(m_server->baseUrl(), *m_keychain);
    m_services = std::make_unique<Services>(*m_api);
}

void TestServices::cleanup()
{
    m_services.reset();
    m_api.reset();
    m_keychain.reset();
    m_server.reset();
}

void TestServices::columns()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("errorKind");
}

void TestServices::row(const char* name, Call call, const char* procedure, const char* method, const char* input,
    const char* reply, const char* expected, int status, APIError::Kind errorKind)
{
    QTest::newRow(name) << call << QString::fromUtf8(procedure) << QByteArray(method) << QByteArray(input) << status
                        << QByteArray(reply) << QByteArray(expected) << int(errorKind);
}

void TestServices::check()
{
    QFETCH(Call, call);
    QFETCH(QString, procedure);
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    QFETCH(int, errorKind);

    const QString path = "/api/trpc/"_L1 + procedure;
    const QByteArray body = status == 200 ? "{\"result\":{\"data\":{\"json\":" + reply + "}}}" : reply;
    m_server->respond(path, { status, body });

    std::optional<QJsonValue> result;
    try {
        result = testsupport::runTask(call(*m_services));
    } catch (const APIError& error) {
        QVERIFY2(expected.isEmpty(), qPrintable(error.description() + u' ' + error.detail()));
        QCOMPARE(int(error.kind()), errorKind);
    } catch (const testsupport::TaskTimeout&) {
        QFAIL("the call did not finish");
    }
    QVERIFY2(result || expected.isEmpty(), "the call should have succeeded");
    QVERIFY2(!result || !expected.isEmpty(), "the call should have failed");

    QCOMPARE(m_server->requests().size(), 1);
    const RecordingHttpServer::Recorded& sent = m_server->requests().first();
    QCOMPARE(sent.method, method);
    QCOMPARE(sent.path, path);
    const QJsonValue wrappedInput
        = input.isEmpty() ? QJsonValue() : QJsonValue(QJsonObject { { u"json"_s, json::parse(input) } });
    if (method == "GET") {
        QVERIFY(sent.body.isEmpty());
        QCOMPARE(sent.hasQuery, !input.isEmpty());
        if (!input.isEmpty())
            QCOMPARE(json::parse(sent.queryValue(u"input"_s).toUtf8()), wrappedInput);
    } else {
        QVERIFY(!sent.hasQuery);
        QCOMPARE(sent.body.isEmpty(), input.isEmpty());
        if (!input.isEmpty())
            QCOMPARE(json::parse(sent.body), wrappedInput);
    }

    if (result)
        QCOMPARE(*result, json::parse(expected));
}

void TestServices::chat_data()
{
    columns();
    row(
        "conversations", [](Services& s) { return ids(s.chat.getConversations()); }, "conversations.list", "GET", "",
        R"([{"id":1,"type":"private"},{"id":2,"type":"group"}])", "[1,2]");
    row(
        "messages first page", [](Services& s) { return ids(s.chat.getMessages(5, 50, 0)); }, "messages.list", "GET",
        R"({"conversationId":5,"limit":50,"offset":0})", R"([{"id":1,"conversationId":5,"senderId":3,"type":"text"}])",
        "[1]");
    row(
        "mark read", [](Services& s) { return encoded(s.chat.markAsRead(5)); }, "conversations.markAsRead", "POST",
        R"({"conversationId":5})", "null", "null");
    row(
        "delete for user", [](Services& s) { return encoded(s.chat.deleteConversation(5)); },
        "conversations.deleteForUser", "POST", R"({"conversationId":5})", R"({"ok":true})", "null");
    row(
        "revoke", [](Services& s) { return encoded(s.chat.revokeMessage(9)); }, "messages.revoke", "POST",
        R"({"messageId":9})", "null", "null");
    row(
        "reaction", [](Services& s) { return encoded(s.chat.addReaction(9, u"👍"_s)); }, "messages.addReaction", "POST",
        R"({"messageId":9,"emoji":"👍"})", "null", "null");
    row(
        "private conversation sends no name",
        [](Services& s) { return encoded(s.chat.createConversation(u"private"_s, std::nullopt, { 7 })); },
        "conversations.create", "POST", R"({"type":"private","memberIds":[7]})", R"({"conversationId":12,"x":1})",
        "12");
    row(
        "group conversation with name",
        [](Services& s) {
            return encoded(s.chat.createConversation(u"group"_s, u"团队"_s, { 7, 8 }));
        },
        "conversations.create", "POST", R"({"type":"group","name":"团队","memberIds":[7,8]})",
        R"({"conversationId":13})", "13");
    row(
        "created conversation without id",
        [](Services& s) { return encoded(s.chat.createConversation(u"private"_s, std::nullopt, { 7 })); },
        "conversations.create", "POST", R"({"type":"private","memberIds":[7]})", R"({"id":12})", "");
    row(
        "favourites keep saved messages in order", [](Services& s) { return ids(s.chat.getFavorites(50, 0)); },
        "favorites.list", "GET", R"({"limit":50,"offset":0})",
        R"([{"id":10,"message":{"id":1,"conversationId":2,"senderId":3,"type":"text"}},{"id":11,"note":"n"},)"
        R"({"id":12,"message":null},{"message":{"id":4,"conversationId":2,"senderId":3,"type":"image"}}])",
        "[1,4]");
    row(
        "favourites without messages", [](Services& s) { return ids(s.chat.getFavorites(50, 0)); }, "favorites.list",
        "GET", R"({"limit":50,"offset":0})", R"([{"id":10},{"id":11,"message":null}])", "[]");
    row(
        "favourite with a broken message fails", [](Services& s) { return ids(s.chat.getFavorites(50, 0)); },
        "favorites.list", "GET", R"({"limit":50,"offset":0})",
        R"([{"id":10,"message":{"id":1,"conversationId":2,"senderId":3,"type":"text"}},{"message":{"id":2}}])", "");
    row(
        "remove favourite", [](Services& s) { return encoded(s.chat.removeFavorite(4)); }, "favorites.remove", "POST",
        R"({"messageId":4})", "null", "null");
    row(
        "server error passes through", [](Services& s) { return encoded(s.chat.markAsRead(5)); },
        "conversations.markAsRead", "POST", R"({"conversationId":5})", R"({"error":{"json":{"message":"禁止"}}})", "",
        403, APIError::Kind::HttpError);
}

void TestServices::contacts_data()
{
    columns();
    row(
        "contacts", [](Services& s) { return ids(s.contacts.getContacts()); }, "contacts.list", "GET", "",
        R"([{"id":1,"userId":2,"contactId":3}])", "[1]");
    row(
        "pending count", [](Services& s) { return encoded(s.contacts.getPendingRequestCount()); },
        "contacts.getPendingRequestCount", "GET", "", "4", "4");
    row(
        "pending count as text", [](Services& s) { return encoded(s.contacts.getPendingRequestCount()); },
        "contacts.getPendingRequestCount", "GET", "", R"("4")", "");
    row(
        "friend requests", [](Services& s) { return ids(s.contacts.getFriendRequests()); },
        "contacts.getFriendRequests", "GET", "", R"([{"id":6,"fromUserId":2,"toUserId":3}])", "[6]");
    row(
        "user search", [](Services& s) { return ids(s.contacts.searchUsers(u" c++ 张"_s)); }, "user.search", "GET",
        R"({"keyword":" c++ 张"})", R"([{"id":1,"openId":"o","name":"n"}])", "[1]");
    row(
        "friend request without message", [](Services& s) { return encoded(s.contacts.sendFriendRequest(7, {})); },
        "contacts.sendFriendRequest", "POST", R"({"toUserId":7})", "null", "null");
    row(
        "friend request with message", [](Services& s) { return encoded(s.contacts.sendFriendRequest(7, u"hi"_s)); },
        "contacts.sendFriendRequest", "POST", R"({"toUserId":7,"message":"hi"})", "null", "null");
    row(
        "accept", [](Services& s) { return encoded(s.contacts.acceptFriendRequest(3)); },
        "contacts.acceptFriendRequest", "POST", R"({"requestId":3})", "null", "null");
    row(
        "reject", [](Services& s) { return encoded(s.contacts.rejectFriendRequest(3)); },
        "contacts.rejectFriendRequest", "POST", R"({"requestId":3})", "null", "null");
    row(
        "delete", [](Services& s) { return encoded(s.contacts.deleteContact(8)); }, "contacts.delete", "POST",
        R"({"contactId":8})", "null", "null");
    row(
        "unblock", [](Services& s) { return encoded(s.contacts.unblock(8)); }, "contacts.unblock", "POST",
        R"({"contactId":8})", "null", "null");
    row(
        "report with empty reason", [](Services& s) { return encoded(s.contacts.reportUser(1, QString(), {})); },
        "user.report", "POST", R"({"userId":1,"reason":""})", "null", "null");
    row(
        "report with description", [](Services& s) { return encoded(s.contacts.reportUser(1, u"spam"_s, u"ads"_s)); },
        "user.report", "POST", R"({"userId":1,"reason":"spam","description":"ads"})", "null", "null");
}

void TestServices::groups_data()
{
    columns();
    row(
        "groups", [](Services& s) { return ids(s.groups.getGroups()); }, "groups.list", "GET", "",
        R"([{"id":1,"conversationId":10,"name":"g","ownerId":2}])", "[1]");
    row(
        "members by conversation", [](Services& s) { return ids(s.groups.getMembers(10), &GroupMember::userId); },
        "groups.getMembers", "GET", R"({"conversationId":10})", R"([{"userId":5},{"userId":6,"role":"owner"}])",
        "[5,6]");
    row(
        "create role with empty permissions",
        [](Services& s) { return encoded(s.groups.createRole(2, u"mod"_s, std::nullopt, {})); }, "groupRole.create",
        "POST", R"({"groupId":2,"name":"mod","permissions":{}})",
        R"({"id":1,"groupId":2,"name":"mod","permissions":null})", R"({"id":1,"groupId":2,"name":"mod"})");
    row(
        "create role reply without name",
        [](Services& s) {
            return encoded(s.groups.createRole(2, u"mod"_s, u"#4A90D9"_s, { { u"canPin"_s, true } }));
        },
        "groupRole.create", "POST", R"({"groupId":2,"name":"mod","color":"#4A90D9","permissions":{"canPin":true}})",
        R"({"id":1,"groupId":2})", "");
    row(
        "update only identifiers",
        [](Services& s) { return encoded(s.groups.updateRole(1, 2, std::nullopt, std::nullopt, std::nullopt)); },
        "groupRole.update", "POST", R"({"roleId":1,"groupId":2})", "null", "null");
    row(
        "update everything",
        [](Services& s) {
            return encoded(
                s.groups.updateRole(1, 2, u"m"_s, u"#fff"_s, GroupService::Permissions { { u"canInvite"_s, false } }));
        },
        "groupRole.update", "POST",
        R"({"roleId":1,"groupId":2,"name":"m","color":"#fff","permissions":{"canInvite":false}})", "null", "null");
    row(
        "assign", [](Services& s) { return encoded(s.groups.assignRole(2, 5, 1)); }, "groupRole.assign", "POST",
        R"({"groupId":2,"targetUserId":5,"roleId":1})", "null", "null");
    row(
        "remove", [](Services& s) { return encoded(s.groups.removeRole(2, 5, 1)); }, "groupRole.remove", "POST",
        R"({"groupId":2,"targetUserId":5,"roleId":1})", "null", "null");
}

void TestServices::moments_data()
{
    columns();
    row(
        "feed", [](Services& s) { return ids(s.moments.getMoments(1, 20)); }, "moments.list", "GET",
        R"({"page":1,"limit":20})", R"([{"id":3,"userId":1}])", "[3]");
    row(
        "post without images or location",
        [](Services& s) { return encoded(s.moments.createMoment(u"hi "_s, std::nullopt, u"friends"_s, std::nullopt)); },
        "moments.create", "POST", R"({"content":"hi ","visibility":"friends"})", R"({"momentId":5})", "5");
    row(
        "post with empty images",
        [](Services& s) { return encoded(s.moments.createMoment(u"hi"_s, QList<QString> {}, u"public"_s, u"here"_s)); },
        "moments.create", "POST", R"({"content":"hi","images":[],"visibility":"public","location":"here"})",
        R"({"momentId":5})", "5");
    row(
        "post reply with text id",
        [](Services& s) { return encoded(s.moments.createMoment(u"hi"_s, std::nullopt, u"friends"_s, std::nullopt)); },
        "moments.create", "POST", R"({"content":"hi","visibility":"friends"})", R"({"momentId":"5"})", "");
    row(
        "like", [](Services& s) { return encoded(s.moments.likeMoment(3)); }, "moments.like", "POST", R"({"id":3})",
        "null", "null");
    row(
        "unlike", [](Services& s) { return encoded(s.moments.unlikeMoment(3)); }, "moments.unlike", "POST",
        R"({"id":3})", R"([1])", "null");
    row(
        "comment without reply", [](Services& s) { return encoded(s.moments.addComment(3, u"c"_s, std::nullopt)); },
        "moments.comment", "POST", R"({"id":3,"content":"c"})", R"({"commentId":9})", "9");
    row(
        "comment replying to 0", [](Services& s) { return encoded(s.moments.addComment(3, u"c"_s, 0)); },
        "moments.comment", "POST", R"({"id":3,"content":"c","replyToId":0})", R"({"commentId":9})", "9");
    row(
        "comment reply without id", [](Services& s) { return encoded(s.moments.addComment(3, u"c"_s, 0)); },
        "moments.comment", "POST", R"({"id":3,"content":"c","replyToId":0})", R"({})", "");
}

void TestServices::search_data()
{
    columns();
    row(
        "keyword as typed", [](Services& s) { return encoded(s.search.globalSearch(u" 50% \"a\"+b "_s, 10)); },
        "search.global", "GET", R"({"keyword":" 50% \"a\"+b ","limit":10})",
        R"({"contacts":[{"id":1,"username":"u"}],"groups":[],"messages":[{"id":2,"conversationId":3,"senderId":4}]})",
        R"({"contacts":[{"id":1,"username":"u"}],"groups":[],"messages":[{"id":2,"conversationId":3,"senderId":4}]})");
    row(
        "reply without groups", [](Services& s) { return encoded(s.search.globalSearch(u"a"_s, 10)); }, "search.global",
        "GET", R"({"keyword":"a","limit":10})", R"({"contacts":[],"messages":[]})", "");
}

void TestServices::filesAndGifts_data()
{
    columns();
    row(
        "my files", [](Services& s) { return encoded(s.files.getMyFiles(2, 50)); }, "files.getMyFiles", "GET",
        R"({"page":2,"limit":50})", R"([{"id":3},{"id":4,"mimeType":"image/png"}])",
        R"([{"id":3},{"id":4,"mimeType":"image/png"}])");
    row(
        "file without id fails the page", [](Services& s) { return encoded(s.files.getMyFiles(1, 50)); },
        "files.getMyFiles", "GET", R"({"page":1,"limit":50})", R"([{"id":3},{"fileName":"a"}])", "");
    row(
        "download address", [](Services& s) { return encoded(s.files.getDownloadUrl(3)); }, "files.getDownloadUrl",
        "POST", R"({"fileId":3})", R"({"id":3,"fileUrl":"f","signedUrl":"https://h/x?sig=1"})",
        R"({"id":3,"fileUrl":"f","signedUrl":"https://h/x?sig=1"})");
    row(
        "download without signed address", [](Services& s) { return encoded(s.files.getDownloadUrl(3)); },
        "files.getDownloadUrl", "POST", R"({"fileId":3})", R"({"id":3,"fileUrl":"https://h/x"})", "");
    row(
        "gifts", [](Services& s) { return encoded(s.gifts.getGifts()); }, "gifts.list", "GET", "",
        R"([{"id":1,"price":10,"isActive":false}])", R"([{"id":1,"price":10,"isActive":false}])");
}

void TestServices::sessionsVipAndMfa_data()
{
    columns();
    row(
        "devices", [](Services& s) { return encoded(s.sessions.getMyDevices()); }, "session.myDevices", "GET", "",
        R"([{"id":7,"isCurrent":null},{"id":8,"deviceId":"d","isCurrent":true}])",
        R"([{"id":7},{"id":8,"deviceId":"d","isCurrent":true}])");
    row(
        "device without id", [](Services& s) { return encoded(s.sessions.getMyDevices()); }, "session.myDevices", "GET",
        "", R"([{"deviceId":"d"}])", "");
    row(
        "log out a device with empty token", [](Services& s) { return encoded(s.sessions.logoutDevice(QString())); },
        "session.logout", "POST", R"({"token":""})", R"({"success":true})", "null");
    row(
        "revoke others", [](Services& s) { return encoded(s.sessions.revokeOthers(u"d1"_s)); }, "session.revokeOthers",
        "POST", R"({"currentToken":"d1"})", "null", "null");
    row(
        "vip status", [](Services& s) { return encoded(s.vip.getStatus()); }, "vip.status", "GET", "",
        R"({"isVip":null,"level":1})", R"({"level":1})");
    row(
        "vip levels", [](Services& s) { return encoded(s.vip.getLevels()); }, "vip.levels", "GET", "",
        R"([{"id":1,"price":30,"benefits":["a"]}])", R"([{"id":1,"price":30,"benefits":["a"]}])");
    row(
        "vip level with text price", [](Services& s) { return encoded(s.vip.getLevels()); }, "vip.levels", "GET", "",
        R"([{"id":1,"price":"30"}])", "");
    row(
        "mfa status", [](Services& s) { return encoded(s.mfa.getStatus()); }, "user.mfaStatus", "GET", "",
        R"({"enabled":false})", R"({"enabled":false})");
    row(
        "mfa status without enabled", [](Services& s) { return encoded(s.mfa.getStatus()); }, "user.mfaStatus", "GET",
        "", R"({"hasBackupCodes":true})", "");
    row(
        "mfa setup sends no body", [](Services& s) { return encoded(s.mfa.setup()); }, "user.setupMFA", "POST", "",
        R"({"secret":"S","backupCodes":[]})", R"({"secret":"S","backupCodes":[]})");
    row(
        "mfa verify keeps the code as typed", [](Services& s) { return encoded(s.mfa.verify(u"12345 "_s)); },
        "user.verifyMFA", "POST", R"({"code":"12345 "})", R"({"anything":[1,2]})", "null");
    row(
        "mfa disable", [](Services& s) { return encoded(s.mfa.disable(u"123456"_s)); }, "user.disableMFA", "POST",
        R"({"code":"123456"})", "null", "null");
}

void TestServices::openDownload_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << u"https://files.example/a.pdf?sig=1"_s << true;
    QTest::newRow("http") << u"http://127.0.0.1:8787/f/1"_s << true;
    QTest::newRow("upper-case scheme") << u"HTTPS://files.example/a"_s << true;
    QTest::newRow("file") << u"file:///etc/passwd"_s << false;
    QTest::newRow("file with host") << u"file://host/share/run.desktop"_s << false;
    QTest::newRow("custom scheme") << u"myapp://install?pkg=x"_s << false;
    QTest::newRow("javascript") << u"javascript:alert(1)"_s << false;
    QTest::newRow("relative") << u"/downloads/a.pdf"_s << false;
    QTest::newRow("no host") << u"https:///a.pdf"_s << false;
    QTest::newRow("empty") << QString() << false;
}

void TestServices::openDownload()
{
    QFETCH(QString, address);
    QFETCH(bool, opened);
    QList<QUrl> handed;
    FileService::setUrlOpener([&handed](const QUrl& url) { handed.append(url); });
    const auto restore = qScopeGuard([] { FileService::setUrlOpener({}); });

    FileDownload download;
    download.id = 1;
    download.signedUrl = address;
    try {
        FileService::openDownload(download);
        QVERIFY2(opened, "the address should have been refused");
    } catch (const APIError& error) {
        QVERIFY2(!opened, qPrintable(error.description()));
        QCOMPARE(error.kind(), APIError::Kind::InvalidURL);
    }
    QCOMPARE(handed.size(), opened ? 1 : 0);
    if (opened)
        QCOMPARE(handed.first(), QUrl(address));
}

QTEST_GUILESS_MAIN(TestServices)
#include "tst_services.moc"
