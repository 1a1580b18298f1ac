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

using namespace Qt::Literals::StringLiterals;

namespace {

struct Services {
    explicit Services(APIClient& api)
        : chat(api), contacts(api), groups(api), moments(api), search(api), files(api), gifts(api), sessions(api)
        , vip(api), mfa(api)
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

// request: "METHOD procedure"; input: the expected input JSON, empty when none may be sent.
// reply: the procedure's data value (status 200) or the whole error body.
// expected: the result as JSON, empty when the call must fail with errorKind.
void row(const char* name, Call call, const char* request, const char* input, const char* reply, const char* expected,
    int status = 200, APIError::Kind errorKind = APIError::Kind::DecodingError)
{
    QTest::newRow(name) << call << QByteArray(request) << QByteArray(input) << status << QByteArray(reply)
                        << QByteArray(expected) << int(errorKind);
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TestServices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void calls_data();
    void calls();
    void openDownload_data();
    void openDownload();
    void openDownloadWithoutAHandler();
};

void TestServices::calls_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("errorKind");

    row("conversations", [](Services& s) { return ids(s.chat.getConversations()); }, "GET conversations.list", "",
        R"([{"id":1,"type":"private"},{"id":2,"type":"group"}])", "[1,2]");
    row("messages first page", [](Services& s) { return ids(s.chat.getMessages(5, 50, 0)); }, "GET messages.list",
        R"({"conversationId":5,"limit":50,"offset":0})", R"([{"id":1,"conversationId":5,"senderId":3,"type":"text"}])",
        "[1]");
    row("delete for user ignores the reply", [](Services& s) { return encoded(s.chat.deleteConversation(5)); },
        "POST conversations.deleteForUser", R"({"conversationId":5})", R"({"ok":true})", "null");
    row("private conversation sends no name",
        [](Services& s) { return encoded(s.chat.createConversation(u"private"_s, std::nullopt, { 7 })); },
        "POST conversations.create", R"({"type":"private","memberIds":[7]})", R"({"conversationId":12,"x":1})", "12");
    row("group conversation with name",
        [](Services& s) { return encoded(s.chat.createConversation(u"group"_s, u"团队"_s, { 7, 8 })); },
        "POST conversations.create", R"({"type":"group","name":"团队","memberIds":[7,8]})", R"({"conversationId":13})",
        "13");
    row("created conversation without id",
        [](Services& s) { return encoded(s.chat.createConversation(u"private"_s, std::nullopt, { 7 })); },
        "POST conversations.create", R"({"type":"private","memberIds":[7]})", R"({"id":12})", "");
    row("favourites keep saved messages in order", [](Services& s) { return ids(s.chat.getFavorites(50, 0)); },
        "GET favorites.list", R"({"limit":50,"offset":0})",
        R"([{"id":10,"message":{"id":1,"conversationId":2,"senderId":3,"type":"text"}},{"id":11,"note":"n"},)"
        R"({"id":12,"message":null},{"message":{"id":4,"conversationId":2,"senderId":3,"type":"image"}}])",
        "[1,4]");
    row("favourite with a broken message fails", [](Services& s) { return ids(s.chat.getFavorites(50, 0)); },
        "GET favorites.list", R"({"limit":50,"offset":0})",
        R"([{"id":10,"message":{"id":1,"conversationId":2,"senderId":3,"type":"text"}},{"message":{"id":2}}])", "");
    row("server error passes through", [](Services& s) { return encoded(s.chat.markAsRead(5)); },
        "POST conversations.markAsRead", R"({"conversationId":5})", R"({"error":{"json":{"message":"禁止"}}})", "", 403,
        APIError::Kind::HttpError);
    row("revoke", [](Services& s) { return encoded(s.chat.revokeMessage(8)); }, "POST messages.revoke",
        R"({"messageId":8})", "null", "null");
    row("reaction", [](Services& s) { return encoded(s.chat.addReaction(8, u"👍"_s)); }, "POST messages.addReaction",
        R"({"messageId":8,"emoji":"👍"})", "null", "null");
    row("remove favourite", [](Services& s) { return encoded(s.chat.removeFavorite(8)); }, "POST favorites.remove",
        R"({"messageId":8})", "null", "null");

    row("pending count", [](Services& s) { return encoded(s.contacts.getPendingRequestCount()); },
        "GET contacts.getPendingRequestCount", "", "4", "4");
    row("pending count as text", [](Services& s) { return encoded(s.contacts.getPendingRequestCount()); },
        "GET contacts.getPendingRequestCount", "", R"("4")", "");
    row("user search", [](Services& s) { return ids(s.contacts.searchUsers(u" c++ 张"_s)); }, "GET user.search",
        R"({"keyword":" c++ 张"})", R"([{"id":1,"openId":"o","name":"n"}])", "[1]");
    row("friend request without message", [](Services& s) { return encoded(s.contacts.sendFriendRequest(7, {})); },
        "POST contacts.sendFriendRequest", R"({"toUserId":7})", "null", "null");
    row("friend request with message", [](Services& s) { return encoded(s.contacts.sendFriendRequest(7, u"hi"_s)); },
        "POST contacts.sendFriendRequest", R"({"toUserId":7,"message":"hi"})", "null", "null");
    row("report with empty reason", [](Services& s) { return encoded(s.contacts.reportUser(1, QString(), {})); },
        "POST user.report", R"({"userId":1,"reason":""})", "null", "null");
    row("report with description", [](Services& s) { return encoded(s.contacts.reportUser(1, u"spam"_s, u"ads"_s)); },
        "POST user.report", R"({"userId":1,"reason":"spam","description":"ads"})", "null", "null");
    row("contacts", [](Services& s) { return ids(s.contacts.getContacts()); }, "GET contacts.list", "",
        R"([{"id":1,"userId":2,"contactId":3}])", "[1]");
    row("friend requests", [](Services& s) { return ids(s.contacts.getFriendRequests()); },
        "GET contacts.getFriendRequests", "", R"([{"id":4,"fromUserId":2,"toUserId":3}])", "[4]");
    row("accept", [](Services& s) { return encoded(s.contacts.acceptFriendRequest(4)); },
        "POST contacts.acceptFriendRequest", R"({"requestId":4})", "null", "null");
    row("reject", [](Services& s) { return encoded(s.contacts.rejectFriendRequest(4)); },
        "POST contacts.rejectFriendRequest", R"({"requestId":4})", "null", "null");
    row("delete contact", [](Services& s) { return encoded(s.contacts.deleteContact(3)); }, "POST contacts.delete",
        R"({"contactId":3})", "null", "null");
    row("unblock", [](Services& s) { return encoded(s.contacts.unblock(3)); }, "POST contacts.unblock",
        R"({"contactId":3})", "null", "null");

    row("members by conversation", [](Services& s) { return ids(s.groups.getMembers(10), &GroupMember::userId); },
        "GET groups.getMembers", R"({"conversationId":10})", R"([{"userId":5},{"userId":6,"role":"owner"}])", "[5,6]");
    row("groups", [](Services& s) { return ids(s.groups.getGroups()); }, "GET groups.list", "",
        R"([{"id":1,"conversationId":10,"name":"g","ownerId":2}])", "[1]");
    row("assign role", [](Services& s) { return encoded(s.groups.assignRole(1, 5, 9)); }, "POST groupRole.assign",
        R"({"groupId":1,"targetUserId":5,"roleId":9})", "null", "null");
    row("remove role", [](Services& s) { return encoded(s.groups.removeRole(1, 5, 9)); }, "POST groupRole.remove",
        R"({"groupId":1,"targetUserId":5,"roleId":9})", "null", "null");
    row("create role with empty permissions",
        [](Services& s) { return encoded(s.groups.createRole(2, u"mod"_s, std::nullopt, {})); },
        "POST groupRole.create", R"({"groupId":2,"name":"mod","permissions":{}})",
        R"({"id":1,"groupId":2,"name":"mod","permissions":null})", R"({"id":1,"groupId":2,"name":"mod"})");
    row("create role reply without name",
        [](Services& s) { return encoded(s.groups.createRole(2, u"mod"_s, u"#4A90D9"_s, { { u"canPin"_s, true } })); },
        "POST groupRole.create", R"({"groupId":2,"name":"mod","color":"#4A90D9","permissions":{"canPin":true}})",
        R"({"id":1,"groupId":2})", "");
    row("update only identifiers",
        [](Services& s) { return encoded(s.groups.updateRole(1, 2, std::nullopt, std::nullopt, std::nullopt)); },
        "POST groupRole.update", R"({"roleId":1,"groupId":2})", "null", "null");
    row("update everything",
        [](Services& s) {
            return encoded(
                s.groups.updateRole(1, 2, u"m"_s, u"#fff"_s, GroupService::Permissions { { u"canInvite"_s, false } }));
        },
        "POST groupRole.update", R"({"roleId":1,"groupId":2,"name":"m","color":"#fff","permissions":{"canInvite":false}})",
        "null", "null");

    row("post without images or location",
        [](Services& s) { return encoded(s.moments.createMoment(u"hi "_s, std::nullopt, u"friends"_s, std::nullopt)); },
        "POST moments.create", R"({"content":"hi ","visibility":"friends"})", R"({"momentId":5})", "5");
    row("post with empty images",
        [](Services& s) { return encoded(s.moments.createMoment(u"hi"_s, QList<QString> {}, u"public"_s, u"here"_s)); },
        "POST moments.create", R"({"content":"hi","images":[],"visibility":"public","location":"here"})",
        R"({"momentId":5})", "5");
    row("post reply with text id",
        [](Services& s) { return encoded(s.moments.createMoment(u"hi"_s, std::nullopt, u"friends"_s, std::nullopt)); },
        "POST moments.create", R"({"content":"hi","visibility":"friends"})", R"({"momentId":"5"})", "");
    row("comment without reply", [](Services& s) { return encoded(s.moments.addComment(3, u"c"_s, std::nullopt)); },
        "POST moments.comment", R"({"id":3,"content":"c"})", R"({"commentId":9})", "9");
    row("comment replying to 0", [](Services& s) { return encoded(s.moments.addComment(3, u"c"_s, 0)); },
        "POST moments.comment", R"({"id":3,"content":"c","replyToId":0})", R"({"commentId":9})", "9");
    row("comment reply without id", [](Services& s) { return encoded(s.moments.addComment(3, u"c"_s, 0)); },
        "POST moments.comment", R"({"id":3,"content":"c","replyToId":0})", R"({})", "");
    row("feed", [](Services& s) { return ids(s.moments.getMoments(1, 20)); }, "GET moments.list",
        R"({"page":1,"limit":20})", R"([{"id":3,"userId":2}])", "[3]");
    row("like", [](Services& s) { return encoded(s.moments.likeMoment(3)); }, "POST moments.like", R"({"id":3})",
        "null", "null");
    row("unlike", [](Services& s) { return encoded(s.moments.unlikeMoment(3)); }, "POST moments.unlike",
        R"({"id":3})", R"({"id":1})", "null");

    row("keyword as typed", [](Services& s) { return encoded(s.search.globalSearch(u" 50% \"a\"+b "_s, 10)); },
        "GET search.global", R"({"keyword":" 50% \"a\"+b ","limit":10})",
        R"({"contacts":[{"id":1,"username":"u"}],"groups":[],"messages":[{"id":2,"conversationId":3,"senderId":4}]})",
        R"({"contacts":[{"id":1,"username":"u"}],"groups":[],"messages":[{"id":2,"conversationId":3,"senderId":4}]})");
    row("search reply without groups", [](Services& s) { return encoded(s.search.globalSearch(u"a"_s, 10)); },
        "GET search.global", R"({"keyword":"a","limit":10})", R"({"contacts":[],"messages":[]})", "");

    row("my files", [](Services& s) { return encoded(s.files.getMyFiles(2, 50)); }, "GET files.getMyFiles",
        R"({"page":2,"limit":50})", R"([{"id":3},{"id":4,"mimeType":"image/png"}])",
        R"([{"id":3},{"id":4,"mimeType":"image/png"}])");
    row("file without id fails the page", [](Services& s) { return encoded(s.files.getMyFiles(1, 50)); },
        "GET files.getMyFiles", R"({"page":1,"limit":50})", R"([{"id":3},{"fileName":"a"}])", "");
    row("download address", [](Services& s) { return encoded(s.files.getDownloadUrl(3)); },
        "POST files.getDownloadUrl", R"({"fileId":3})", R"({"id":3,"fileUrl":"f","signedUrl":"https://h/x?sig=1"})",
        R"({"id":3,"fileUrl":"f","signedUrl":"https://h/x?sig=1"})");
    row("download without signed address", [](Services& s) { return encoded(s.files.getDownloadUrl(3)); },
        "POST files.getDownloadUrl", R"({"fileId":3})", R"({"id":3,"fileUrl":"https://h/x"})", "");
    row("gifts", [](Services& s) { return encoded(s.gifts.getGifts()); }, "GET gifts.list", "",
        R"([{"id":1,"price":10,"isActive":false}])", R"([{"id":1,"price":10,"isActive":false}])");

    row("devices", [](Services& s) { return encoded(s.sessions.getMyDevices()); }, "GET session.myDevices", "",
        R"([{"id":7,"isCurrent":null},{"id":8,"deviceId":"d","isCurrent":true}])",
        R"([{"id":7},{"id":8,"deviceId":"d","isCurrent":true}])");
    row("log out a device with empty token", [](Services& s) { return encoded(s.sessions.logoutDevice(QString())); },
        "POST session.logout", R"({"token":""})", R"({"success":true})", "null");
    row("revoke other devices", [](Services& s) { return encoded(s.sessions.revokeOthers(u"d"_s)); },
        "POST session.revokeOthers", R"({"currentToken":"d"})", "null", "null");
    row("vip status", [](Services& s) { return encoded(s.vip.getStatus()); }, "GET vip.status", "",
        R"({"isVip":null,"level":1})", R"({"level":1})");
    row("vip levels", [](Services& s) { return encoded(s.vip.getLevels()); }, "GET vip.levels", "",
        R"([{"id":1,"price":30,"benefits":["a"]}])", R"([{"id":1,"price":30,"benefits":["a"]}])");
    row("vip level with text price", [](Services& s) { return encoded(s.vip.getLevels()); }, "GET vip.levels", "",
        R"([{"id":1,"price":"30"}])", "");
    row("mfa status without enabled", [](Services& s) { return encoded(s.mfa.getStatus()); }, "GET user.mfaStatus",
        "", R"({"hasBackupCodes":true})", "");
    row("mfa setup sends no body", [](Services& s) { return encoded(s.mfa.setup()); }, "POST user.setupMFA", "",
        R"({"secret":"S","backupCodes":[]})", R"({"secret":"S","backupCodes":[]})");
    row("mfa verify keeps the code as typed", [](Services& s) { return encoded(s.mfa.verify(u"12345 "_s)); },
        "POST user.verifyMFA", R"({"code":"12345 "})", R"({"anything":[1,2]})", "null");
    row("mfa disable", [](Services& s) { return encoded(s.mfa.disable(u"123456"_s)); }, "POST user.disableMFA",
        R"({"code":"123456"})", "null", "null");
}

void TestServices::calls()
{
    QFETCH(Call, call);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    QFETCH(int, errorKind);

    RecordingHttpServer server;
    KeychainService keychain(std::make_unique<MemorySecretStore>());
    APIClient api(server.baseUrl(), keychain);
    Services services(api);
    const QByteArray method = request.left(request.indexOf(' '));
    const QString path = "/api/trpc/"_L1 + QString::fromUtf8(request.mid(method.size() + 1));
    server.respond(path, { status, status == 200 ? "{\"result\":{\"data\":{\"json\":" + reply + "}}}" : reply });

    std::optional<QJsonValue> result;
    try {
        result = testsupport::runTask(call(services));
        QVERIFY2(!expected.isEmpty(), "the call should have failed");
        QCOMPARE(*result, json::parse(expected));
    } catch (const APIError& error) {
        QVERIFY2(expected.isEmpty(), qPrintable(error.description() + u' ' + error.detail()));
        QCOMPARE(int(error.kind()), errorKind);
    }

    QCOMPARE(server.requests().size(), 1);
    const RecordingHttpServer::Recorded& sent = server.requests().first();
    QCOMPARE(sent.method, method);
    QCOMPARE(sent.path, path);
    const bool isGet = method == "GET";
    QCOMPARE(sent.hasQuery, isGet && !input.isEmpty());
    QCOMPARE(sent.body.isEmpty(), isGet || input.isEmpty());
    if (!input.isEmpty())
        QCOMPARE(json::parse(isGet ? sent.queryValue(u"input"_s).toUtf8() : sent.body),
            QJsonValue(QJsonObject { { u"json"_s, json::parse(input) } }));
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
    if (!opened)
        QTest::ignoreMessage(QtWarningMsg, "[FileManagement] Refused to open a download address that is not http or https");
    try {
        FileService::openDownload(download);
        QVERIFY2(opened, "the address should have been refused");
    } catch (const APIError& error) {
        QVERIFY2(!opened, qPrintable(error.description()));
        QCOMPARE(error.kind(), APIError::Kind::InvalidURL);
    }
    QCOMPARE(handed, opened ? QList<QUrl> { QUrl(address) } : QList<QUrl>());
}

// Without a way to open addresses a good one is let go, and said so: no failure to show.
void TestServices::openDownloadWithoutAHandler()
{
    FileDownload download;
    download.id = 1;
    download.signedUrl = u"https://files.example/a.pdf"_s;
    QTest::ignoreMessage(QtWarningMsg, "[FileManagement] No handler is installed to open download addresses");
    FileService::openDownload(download);
}

QTEST_GUILESS_MAIN(TestServices)
#include "tst_services.moc"
