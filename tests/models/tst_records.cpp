// The records of the data model: which texts they refuse and where, their nested-profile
// fallbacks, and which keys they write back.

#include "DecodeCheck.h"
#include "models/AdminGroup.h"
#include "models/AdminStats.h"
#include "models/AdminUser.h"
#include "models/AuditMessage.h"
#include "models/AuthResponse.h"
#include "models/ChatGroup.h"
#include "models/Contact.h"
#include "models/Conversation.h"
#include "models/ConversationMemberWithUser.h"
#include "models/FriendRequest.h"
#include "models/GroupAnnouncement.h"
#include "models/GroupMember.h"
#include "models/LoginRequest.h"
#include "models/Message.h"
#include "models/Moment.h"
#include "models/MomentComment.h"
#include "models/MomentLike.h"
#include "models/NestedProfile.h"
#include "models/OperatorSession.h"
#include "models/OperatorStatsResponse.h"
#include "models/RegisterRequest.h"
#include "models/SensitiveWord.h"
#include "models/SystemConfig.h"
#include "models/User.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The base object's text with extra members added.
QByteArray with(QByteArray base, const char* extra)
{
    if (!*extra)
        return base;
    base.chop(1);
    return base + ',' + extra + '}';
}

QByteArray messageText(const char* extra = "") { return with(R"({"id":1,"conversationId":2,"senderId":3,"type":"text"})"_ba, extra); }
QByteArray contactText(const char* extra) { return with(R"({"id":1,"userId":2,"contactId":3})"_ba, extra); }
QByteArray requestText(const char* extra) { return with(R"({"id":1,"fromUserId":2,"toUserId":3})"_ba, extra); }
QByteArray conversationText(const char* extra) { return with(R"({"id":1,"type":"private"})"_ba, extra); }

QString orNone(const std::optional<QString>& value) { return value.value_or(u"<none>"_s); }
QString orNone(const std::optional<bool>& value) { return value ? (*value ? u"true"_s : u"false"_s) : u"<none>"_s; }

// Rows whose text reads must write back exactly what they read.
template <typename T> void decodeRowRoundTrips()
{
    const auto value = decodeRow<T>();
    QFETCH(QByteArray, text);
    if (value)
        QCOMPARE(encodedObject(*value), objectOf(text));
}

// True when the value holds nothing: no id but 0, no text, no true flag, at any depth.
bool holdsNothing(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Double:
        return value.toDouble() == 0;
    case QJsonValue::Bool:
        return !value.toBool();
    case QJsonValue::String:
        return value.toString().isEmpty();
    case QJsonValue::Array: {
        const QJsonArray items = value.toArray();
        return std::all_of(items.begin(), items.end(), [](const QJsonValue& item) { return holdsNothing(item); });
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        return std::all_of(object.begin(), object.end(), [](const QJsonValue& member) { return holdsNothing(member); });
    }
    default:
        return true;
    }
}

template <typename T> std::pair<const char*, QJsonValue> newRecord(const char* name) { return { name, json::encode(T {}) }; }

template <typename T> QJsonObject readAndWritten(const QByteArray& text)
{
    return encodedObject(json::decode<T>(text));
}

} // namespace

class TestRecords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void user_data()
    {
        addDecodeColumns();
        QTest::newRow("minimal") << R"({"id":1,"openId":"o","name":"n"})"_ba << decodes << QString();
        QTest::newRow("full") << R"({"id":2,"openId":"o","name":"张三 😀","email":"e","avatar":"a","bio":"b",
            "loginMethod":"password","role":"admin","online":false,"lastOnlineAt":"t1","totpEnabled":true,
            "gender":"female","region":"r","language":"vi","createdAt":"t2","updatedAt":"t3","lastSignedIn":"t4"})"_ba
                              << decodes << QString();
        QTest::newRow("no openId") << R"({"id":1,"name":"n"})"_ba << keyNotFound << u"openId"_s;
        QTest::newRow("null name") << R"({"id":1,"openId":"o","name":null})"_ba << valueNotFound << u"name"_s;
        QTest::newRow("id as text") << R"({"id":"1","openId":"o","name":"n"})"_ba << typeMismatch << u"id"_s;
        QTest::newRow("online as text") << R"({"id":1,"openId":"o","name":"n","online":"true"})"_ba << typeMismatch
                                        << u"online"_s;
    }
    void user() { decodeRowRoundTrips<User>(); }

    // The staff consoles' records, and those of signing in, every field with a value of
    // its own: each one read is written back under its own key, so none is lost or
    // swapped on either side.
    void staffRecords_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("user") << 0 << R"({"id":1,"name":"n","email":"e","role":"admin","status":"active","isBanned":true,
            "createdAt":"t1","lastLoginAt":"t2","openId":"o"})"_ba;
        QTest::newRow("group") << 1 << R"({"id":1,"name":"n","memberCount":2,"ownerId":3,"ownerName":"o","createdAt":"t","isActive":false})"_ba;
        QTest::newRow("audit message") << 2 << R"({"id":1,"senderId":2,"senderName":"s","conversationId":3,"content":"c","type":"text",
            "createdAt":"t","isDeleted":true})"_ba;
        QTest::newRow("stats") << 3 << R"({"totalUsers":1,"onlineUsers":2,"totalMessages":3,"activeGroups":4})"_ba;
        QTest::newRow("sensitive word") << 4 << R"({"id":1,"word":"w","category":"c","level":"l","replacement":"r","isActive":false})"_ba;
        QTest::newRow("system config") << 5 << R"({"maxGroupMembers":1,"messageRetentionDays":2,"screenshotProtection":true,"allowRegistration":false})"_ba;
        QTest::newRow("operator session") << 6 << R"({"id":1,"customerId":2,"operatorId":3,"status":"active","customerName":"c",
            "customerAvatar":"a","lastMessage":"m","createdAt":"t","rating":4})"_ba;
        QTest::newRow("operator stats") << 7 << R"({"todayServed":1,"avgRating":4.5,"avgResponseTime":2,"resolutionRate":0.25})"_ba;
        QTest::newRow("auth response") << 8 << R"({"app_session_id":"t","refresh_token":"r","user":{"id":1,"openId":"o","name":"n"},
            "error":"e","expiresIn":3600})"_ba;
        QTest::newRow("login request") << 9 << R"({"username":"u","password":"p","code":"123456"})"_ba;
        QTest::newRow("register request") << 10 << R"({"username":"u","password":"p","nickname":"n","email":"e","inviteCode":"c"})"_ba;
        QTest::newRow("nested profile") << 11 << R"({"id":1,"name":"n","avatar":"a"})"_ba;
    }
    void staffRecords()
    {
        QFETCH(int, record);
        QFETCH(QByteArray, text);
        using ReadAndWritten = QJsonObject (*)(const QByteArray&);
        const ReadAndWritten records[] = { readAndWritten<AdminUser>, readAndWritten<AdminGroup>, readAndWritten<AuditMessage>,
            readAndWritten<AdminStats>, readAndWritten<SensitiveWord>, readAndWritten<SystemConfig>, readAndWritten<OperatorSession>,
            readAndWritten<OperatorStatsResponse>, readAndWritten<AuthResponse>, readAndWritten<LoginRequest>,
            readAndWritten<RegisterRequest>, readAndWritten<NestedProfile> };
        QCOMPARE(records[record](text), objectOf(text));
    }

    // A record the client makes before the server has told it anything names no one:
    // each id is 0, which no stored record has (the chat tells a message it composed
    // from one the server holds by that), and it holds no text and no true flag.
    void newRecordsNameNoOne()
    {
        const std::pair<const char*, QJsonValue> records[] = {
            newRecord<AdminGroup>("admin group"), newRecord<AdminUser>("admin user"), newRecord<AuditMessage>("audit message"),
            newRecord<ChatGroup>("group"), newRecord<Contact>("contact"), newRecord<Conversation>("conversation"),
            newRecord<ConversationMemberWithUser>("member with user"), newRecord<FriendRequest>("friend request"),
            newRecord<GroupAnnouncement>("announcement"), newRecord<GroupMember>("group member"), newRecord<Message>("message"),
            newRecord<MessageReaction>("reaction"), newRecord<Moment>("moment"), newRecord<MomentComment>("moment comment"),
            newRecord<MomentLike>("moment like"), newRecord<OperatorSession>("operator session"),
            newRecord<SensitiveWord>("sensitive word"), newRecord<User>("user"),
        };
        for (const auto& [name, written] : records)
            QVERIFY2(holdsNothing(written), qPrintable(u"%1: %2"_s.arg(QString::fromLatin1(name), QString::fromUtf8(QJsonDocument(written.toObject()).toJson(QJsonDocument::Compact)))));
        QVERIFY(!Message {}.mayBeOnServer);
        QVERIFY(!Conversation {}.lastMessageFailed);
        QVERIFY(!json::decode<Conversation>(conversationText("")).lastMessageFailed);
    }

    // Records listed and looked up are the same record when their ids are, whatever
    // else changed since (a new name, a new last message).
    void sameRecordBySameId()
    {
        const auto same = [](auto a, auto changed) {
            auto b = a;
            changed(b);
            const bool sameWhenChanged = a == b;
            ++b.id;
            return sameWhenChanged && !(a == b);
        };
        QVERIFY(same(User { 1, u"o"_s, u"n"_s }, [](User& u) { u.name = u"m"_s; }));
        QVERIFY(same(Message { 1, 2, 3, u"text"_s }, [](Message& m) { m.content = u"c"_s; }));
        QVERIFY(same(json::decode<Contact>(contactText("")), [](Contact& c) { c.nickname = u"n"_s; }));
        QVERIFY(same(json::decode<Conversation>(conversationText("")), [](Conversation& c) { c.lastMessage = u"m"_s; }));
        QVERIFY(same(ChatGroup { 1 }, [](ChatGroup& g) { g.name = u"h"_s; }));
        QVERIFY(same(OperatorSession { 1 }, [](OperatorSession& o) { o.rating = 5; }));
    }

    void authResponse_data()
    {
        addDecodeColumns();
        QTest::addColumn<QStringList>("present");
        QTest::newRow("signed in") << R"({"app_session_id":"t","refresh_token":"r","user":{"id":1,"openId":"o","name":"n"}})"_ba
                                   << decodes << QString() << QStringList { u"token"_s, u"refresh"_s, u"user"_s };
        QTest::newRow("user without openId") << R"({"app_session_id":"t","user":{"id":1,"name":"n"}})"_ba
                                             << keyNotFound << u"user.openId"_s << QStringList();
        QTest::newRow("only error") << R"({"error":"bad password"})"_ba << decodes << QString() << QStringList { u"error"_s };
        QTest::newRow("null refresh token") << R"({"app_session_id":"t","refresh_token":null})"_ba << decodes
                                            << QString() << QStringList { u"token"_s };
        QTest::newRow("camel-case keys are not the wire keys") << R"({"appSessionId":"t","refreshToken":"r"})"_ba
                                                               << decodes << QString() << QStringList();
        QTest::newRow("token as number") << R"({"app_session_id":5})"_ba << typeMismatch << u"app_session_id"_s
                                         << QStringList();
    }
    void authResponse()
    {
        QFETCH(QStringList, present);
        const auto value = decodeRow<AuthResponse>();
        if (!value)
            return;
        QCOMPARE(value->appSessionId.has_value(), present.contains(u"token"_s));
        QCOMPARE(value->refreshToken.has_value(), present.contains(u"refresh"_s));
        QCOMPARE(value->user.has_value(), present.contains(u"user"_s));
        QCOMPARE(value->error.has_value(), present.contains(u"error"_s));
    }

    void requestsWriteOnlyPresentKeys()
    {
        QCOMPARE(encodedObject(RegisterRequest { u"u"_s, u"p"_s, {}, {}, {} }),
                 objectOf(R"({"username":"u","password":"p"})"_ba));
        QCOMPARE(encodedObject(RegisterRequest { u"u"_s, u"p"_s, u"nick"_s, {}, u"C0DE"_s }),
                 objectOf(R"({"username":"u","password":"p","nickname":"nick","inviteCode":"C0DE"})"_ba));
        QCOMPARE(encodedObject(LoginRequest { u"u"_s, u"p"_s }), objectOf(R"({"username":"u","password":"p"})"_ba));
    }

    void message_data()
    {
        addDecodeColumns();
        QTest::newRow("minimal") << messageText() << decodes << QString();
        QTest::newRow("no type") << R"({"id":1,"conversationId":2,"senderId":3})"_ba << keyNotFound << u"type"_s;
        QTest::newRow("null type") << messageText(R"("type":null)") << valueNotFound << u"type"_s;
        QTest::newRow("fileSize fraction") << messageText(R"("fileSize":1.5)") << typeMismatch << u"fileSize"_s;
        QTest::newRow("reaction without emoji") << messageText(R"("reactions":[{"messageId":1,"userId":2,"emoji":"x"},{"messageId":1,"userId":3}])")
                                                << keyNotFound << u"reactions[1].emoji"_s;
        QTest::newRow("senderName as number") << messageText(R"("senderName":7)") << typeMismatch << u"senderName"_s;
        QTest::newRow("senderName as number beside a sender") << messageText(R"("senderName":7,"sender":{"name":"A"})")
                                                              << decodes << QString();
    }
    void message() { decodeRow<Message>(); }

    void messageSender_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("avatar");
        QTest::newRow("nested wins") << R"("sender":{"id":3,"name":"A","avatar":"a.png"},"senderName":"B","senderAvatar":"b.png")"_ba
                                     << u"A"_s << u"a.png"_s;
        QTest::newRow("empty nested hides flat keys") << R"("sender":{},"senderName":"B","senderAvatar":"b.png")"_ba
                                                      << u"<none>"_s << u"<none>"_s;
        QTest::newRow("sender as text") << R"("sender":"A","senderName":"B","senderAvatar":"b.png")"_ba << u"B"_s << u"b.png"_s;
        QTest::newRow("sender with text id") << R"("sender":{"id":"3","name":"A"},"senderName":"B")"_ba << u"B"_s << u"<none>"_s;
        QTest::newRow("sender null") << R"("sender":null,"senderName":"B")"_ba << u"B"_s << u"<none>"_s;
        QTest::newRow("flat only") << R"("senderAvatar":"b.png")"_ba << u"<none>"_s << u"b.png"_s;
    }
    void messageSender()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QString, name);
        QFETCH(QString, avatar);
        const Message m = json::decode<Message>(messageText(extra.constData()));
        QCOMPARE(orNone(m.senderName), name);
        QCOMPARE(orNone(m.senderAvatar), avatar);
        QCOMPARE(m.senderId, 3);
    }

    // The server's own notices, in a message and as a conversation's newest message.
    // The fields a message does not write back are still read, each under its own key.
    void serverOnlyFieldsAreRead()
    {
        const Message m = json::decode<Message>(messageText(R"("forwardedFromMessageId":6,"editedAt":"e","revokedAt":"r",
            "removedByAdmin":true,"expiresAt":"x","threadRootId":4,"encrypted":true,"readCount":5)"));
        QCOMPARE(m.forwardedFromMessageId.value_or(0), 6);
        QCOMPARE(orNone(m.editedAt), u"e"_s);
        QCOMPARE(orNone(m.revokedAt), u"r"_s);
        QCOMPARE(orNone(m.removedByAdmin), u"true"_s);
        QCOMPARE(orNone(m.expiresAt), u"x"_s);
        QCOMPARE(m.threadRootId.value_or(0), 4);
        QCOMPARE(orNone(m.encrypted), u"true"_s);
        QCOMPARE(m.readCount.value_or(0), 5);
        QCOMPARE(json::decode<Conversation>(conversationText(R"("peerId":7)")).peerId.value_or(0), 7);
    }

    void noticesAreRead()
    {
        QCOMPARE(orNone(json::decode<Message>(messageText(R"("notice":"group_dissolved")")).notice), u"group_dissolved"_s);
        const QByteArray last = conversationText(R"("lastMessage":{"type":"system","content":"c","notice":"group_dissolved"})");
        QCOMPARE(orNone(json::decode<Conversation>(last).lastMessageNotice), u"group_dissolved"_s);
    }

    void messageWritesNoServerOnlyFields()
    {
        Message m { 9007199254740993LL, 2, 3, u"text"_s };
        m.editedAt = u"t"_s;
        m.threadRootId = 4;
        m.readCount = 5;
        m.encrypted = true;
        m.forwardedFromMessageId = 6;
        m.senderName = u"李雷"_s;
        m.senderAvatar = u"a.png"_s;
        m.content = u"c"_s;
        m.fileUrl = u"/f"_s;
        m.fileName = u"f.pdf"_s;
        m.fileSize = 10;
        m.fileMimeType = u"application/pdf"_s;
        m.status = u"sent"_s;
        m.createdAt = u"2026-01-02T03:04:05Z"_s;
        m.serverMsgId = u"s-1"_s;
        m.clientMessageId = u"c-1"_s;
        m.reactions = QList<MessageReaction> { { 9, 7, u"👍"_s, {} }, { 9, 8, u"❤"_s, u"Ann"_s } };
        m.mayBeOnServer = true;
        const QJsonObject written = encodedObject(m);
        QCOMPARE(written, objectOf(R"({"id":9007199254740993,"conversationId":2,"senderId":3,"type":"text",
            "content":"c","fileUrl":"/f","fileName":"f.pdf","fileSize":10,"fileMimeType":"application/pdf",
            "status":"sent","createdAt":"2026-01-02T03:04:05Z","serverMsgId":"s-1","clientMessageId":"c-1",
            "senderName":"李雷","senderAvatar":"a.png",
            "reactions":[{"messageId":9,"userId":7,"emoji":"👍"},{"messageId":9,"userId":8,"emoji":"❤","userName":"Ann"}]})"_ba));
        // What is written reads back as it was.
        QCOMPARE(encodedObject(json::decode<Message>(written)), written);
        QCOMPARE(json::decode<Message>(written).id, m.id);
        // The client's own mark of a frame that went out: what is read never has it.
        QVERIFY(!json::decode<Message>(written).mayBeOnServer);
    }

    void contact_data()
    {
        addDecodeColumns();
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("online");
        QTest::addColumn<bool>("hasTags");
        QTest::newRow("flat") << contactText(R"("name":"B","online":true,"tags":["a","b"])") << decodes << QString()
                              << u"B"_s << u"true"_s << true;
        QTest::newRow("tag that is a number") << contactText(R"("name":"B","tags":["a",1],"blocked":true)") << decodes
                                              << QString() << u"B"_s << u"<none>"_s << false;
        QTest::newRow("nested wins") << contactText(R"("user":{"id":3,"name":"A","online":false},"name":"B","online":true)")
                                     << decodes << QString() << u"A"_s << u"false"_s << false;
        QTest::newRow("nested without name hides flat name") << contactText(R"("user":{"avatar":"x"},"name":"B")")
                                                             << decodes << QString() << u"<none>"_s << u"<none>"_s << false;
        QTest::newRow("user as text") << contactText(R"("user":"A","name":"B")") << decodes << QString() << u"B"_s
                                      << u"<none>"_s << false;
        QTest::newRow("user with text online") << contactText(R"("user":{"name":"A","online":"yes"},"name":"B")")
                                               << decodes << QString() << u"B"_s << u"<none>"_s << false;
        QTest::newRow("flat online as text") << contactText(R"("online":"yes")") << typeMismatch << u"online"_s
                                             << QString() << QString() << false;
        QTest::newRow("flat online as text beside a user") << contactText(R"("online":"yes","user":{"online":true})")
                                                           << decodes << QString() << u"<none>"_s << u"true"_s << false;
    }
    void contact()
    {
        QFETCH(QString, name);
        QFETCH(QString, online);
        QFETCH(bool, hasTags);
        const auto value = decodeRow<Contact>();
        if (!value)
            return;
        QCOMPARE(orNone(value->name), name);
        QCOMPARE(orNone(value->online), online);
        QCOMPARE(value->tags.has_value(), hasTags);
    }
    // Three texts side by side: one read into its neighbour's place would still decode.
    void contactProfileTexts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("bio");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("openId");
        QTest::newRow("flat") << contactText(R"("bio":"b","email":"e","openId":"o")") << u"b"_s << u"e"_s << u"o"_s;
        QTest::newRow("nested") << contactText(R"("user":{"bio":"b","email":"e","openId":"o"},"bio":"x","email":"y")")
                                << u"b"_s << u"e"_s << u"o"_s;
    }
    void contactProfileTexts()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, bio);
        QFETCH(QString, email);
        QFETCH(QString, openId);
        const Contact contact = json::decode<Contact>(text);
        QCOMPARE(orNone(contact.bio), bio);
        QCOMPARE(orNone(contact.email), email);
        QCOMPARE(orNone(contact.openId), openId);
    }

    void friendRequest_data()
    {
        addDecodeColumns();
        QTest::addColumn<QString>("fromName");
        QTest::newRow("nested wins") << requestText(R"("fromUser":{"name":"A"},"fromUserName":"B")") << decodes << QString() << u"A"_s;
        QTest::newRow("null nested") << requestText(R"("fromUser":null,"fromUserName":"B")") << decodes << QString() << u"B"_s;
        QTest::newRow("bad nested") << requestText(R"("fromUser":{"id":"2","name":"A"},"fromUserName":"B")") << decodes
                                    << QString() << u"B"_s;
        QTest::newRow("flat name as number") << requestText(R"("fromUserName":1)") << typeMismatch << u"fromUserName"_s << QString();
        QTest::newRow("no toUserId") << R"({"id":1,"fromUserId":2})"_ba << keyNotFound << u"toUserId"_s << QString();
    }
    void friendRequest()
    {
        QFETCH(QString, fromName);
        const auto value = decodeRow<FriendRequest>();
        if (value)
            QCOMPARE(orNone(value->fromUserName), fromName);
    }

    // Nested profiles are written flat; server-side times are not written.
    void nestedProfilesWriteFlat()
    {
        const Contact c = json::decode<Contact>(contactText(R"("nickname":"n","tags":["t"],"blocked":false,
            "createdAt":"t0","user":{"name":"A","avatar":"a","online":true,"bio":"b","email":"e","openId":"o"})"));
        QCOMPARE(encodedObject(c), objectOf(contactText(R"("nickname":"n","name":"A","avatar":"a","online":true)")));
        const FriendRequest f = json::decode<FriendRequest>(
            requestText(R"("message":"hi","status":"pending","createdAt":"t0","fromUser":{"name":"A","avatar":"a"})"));
        QCOMPARE(encodedObject(f),
                 objectOf(requestText(R"("message":"hi","status":"pending","fromUserName":"A","fromUserAvatar":"a")")));
        const GroupMember m = json::decode<GroupMember>(
            R"({"userId":1,"role":"owner","joinedAt":"t","user":{"id":1,"name":"A","avatar":"a","online":true}})"_ba);
        QCOMPARE(encodedObject(m), objectOf(R"({"userId":1,"role":"owner","name":"A","avatar":"a","online":true})"_ba));
    }

    void lastMessage_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<QString>("time");
        QTest::newRow("image hides its link") << R"("lastMessage":{"type":"image","content":"https://x/y.png"})"_ba
                                              << u"[图片]"_s << u"<none>"_s;
        QTest::newRow("file without its name") << R"("lastMessage":{"type":"file","content":"a.pdf"})"_ba
                                               << u"[文件]"_s << u"<none>"_s;
        const std::pair<const char*, QString> previews[] { { "voice", u"[语音]"_s }, { "video", u"[视频]"_s },
            { "sticker", u"[表情]"_s }, { "location", u"[位置]"_s }, { "contact_card", u"[名片]"_s } };
        for (const auto& [type, preview] : previews)
            QTest::newRow(type) << "\"lastMessage\":{\"type\":\"" + QByteArray(type) + "\",\"content\":\"c\"}"
                                << preview << u"<none>"_s;
        QTest::newRow("text") << R"("lastMessage":{"type":"text","content":"hello"})"_ba << u"hello"_s << u"<none>"_s;
        QTest::newRow("text without content") << R"("lastMessage":{"type":"text"})"_ba << QString() << u"<none>"_s;
        QTest::newRow("type compared exactly") << R"("lastMessage":{"type":"Image","content":"c"})"_ba << u"c"_s << u"<none>"_s;
        QTest::newRow("no type") << R"("lastMessage":{"content":"c"})"_ba << u"c"_s << u"<none>"_s;
        QTest::newRow("object time wins") << R"("lastMessage":{"type":"text","createdAt":"t1"},"lastMessageTime":"t2")"_ba
                                          << QString() << u"t1"_s;
        QTest::newRow("object without time hides the flat time") << R"("lastMessage":{"content":"c"},"lastMessageTime":"t2")"_ba
                                                                 << u"c"_s << u"<none>"_s;
        QTest::newRow("object with text id") << R"("lastMessage":{"id":"1","content":"c"},"lastMessageTime":"t2")"_ba
                                             << u"<none>"_s << u"t2"_s;
        QTest::newRow("plain text") << R"("lastMessage":"hi","lastMessageTime":"t2")"_ba << u"hi"_s << u"t2"_s;
        QTest::newRow("numbers") << R"("lastMessage":5,"lastMessageTime":6)"_ba << u"<none>"_s << u"<none>"_s;
        QTest::newRow("null") << R"("lastMessage":null,"lastMessageTime":null)"_ba << u"<none>"_s << u"<none>"_s;
    }
    void lastMessage()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QString, preview);
        QFETCH(QString, time);
        const Conversation c = json::decode<Conversation>(conversationText(extra.constData()));
        QCOMPARE(orNone(c.lastMessage), preview);
        QCOMPARE(orNone(c.lastMessageTime), time);
    }

    void conversation_data()
    {
        addDecodeColumns();
        QTest::newRow("no id") << R"({"type":"group"})"_ba << keyNotFound << u"id"_s;
        QTest::newRow("unreadCount as text") << conversationText(R"("unreadCount":"3")") << typeMismatch << u"unreadCount"_s;
        QTest::newRow("bad last message does not fail") << conversationText(R"("lastMessage":{"id":[]},"unreadCount":2)")
                                                        << decodes << QString();
    }
    void conversation() { decodeRow<Conversation>(); }

    void previewSurvivesRoundTrip()
    {
        const QByteArray text = conversationText(R"("name":"群","avatar":"a","creatorId":2,"memberCount":3,
            "disappearingTtl":60,"createdAt":"t0","updatedAt":"t1","lastMessage":{"type":"image","createdAt":"t2"},
            "unreadCount":4,"isPinned":true,"isMuted":false,"online":true,"peerId":7)");
        const QJsonObject once = encodedObject(json::decode<Conversation>(text));
        QCOMPARE(once.value("lastMessage"_L1).toString(), u"[图片]"_s);
        QCOMPARE(once.value("lastMessageTime"_L1).toString(), u"t2"_s);
        QCOMPARE(once.value("peerId"_L1).toInteger(), 7);
        QCOMPARE(encodedObject(json::decode<Conversation>(once)), once);
        QCOMPARE(once.size(), 16);
    }

    // A newest message taken back keeps who sent it and who took it back, for the
    // notice the list shows in its place.
    void revokedLastMessageIsKept()
    {
        const Conversation c = json::decode<Conversation>(conversationText(R"("lastMessage":{"id":9,"senderId":7,
            "type":"text","content":"c","revokedAt":"r","removedByAdmin":true,"sender":{"name":"Ann"}})"));
        QVERIFY(c.revokedPreview.has_value());
        if (!c.revokedPreview)
            return;
        QCOMPARE(c.revokedPreview->senderId, 7);
        QCOMPARE(c.revokedPreview->senderName, u"Ann"_s);
        QVERIFY(c.revokedPreview->byAdministrator);
        QCOMPARE(c.lastMessageId.value_or(0), 9);
        QVERIFY(!json::decode<Conversation>(conversationText(R"("lastMessage":{"id":9,"senderId":7,"content":"c"})")).revokedPreview);
        // Without the sender, the notice names nobody: no user has id 0, so it is not "you".
        const Conversation anonymous = json::decode<Conversation>(conversationText(R"("lastMessage":{"id":9,"revokedAt":"r"})"));
        QVERIFY(anonymous.revokedPreview.has_value());
        if (!anonymous.revokedPreview)
            return;
        QCOMPARE(anonymous.revokedPreview->senderId, 0);
        QCOMPARE(anonymous.revokedPreview->senderName, QString());
        QVERIFY(!anonymous.revokedPreview->byAdministrator);
    }

    void memberWithUser_data()
    {
        addDecodeColumns();
        QTest::newRow("with user") << R"({"conversationId":1,"userId":2,"role":"owner","user":{"id":2,"openId":"o","name":"n"}})"_ba
                                   << decodes << QString();
        QTest::newRow("user without name") << R"({"conversationId":1,"userId":2,"user":{"id":2,"openId":"o"}})"_ba
                                           << keyNotFound << u"user.name"_s;
        QTest::newRow("user as text") << R"({"conversationId":1,"userId":2,"user":"n"})"_ba << typeMismatch << u"user"_s;
    }
    void memberWithUser() { decodeRowRoundTrips<ConversationMemberWithUser>(); }

    void group_data()
    {
        addDecodeColumns();
        QTest::newRow("minimal") << R"({"id":1,"conversationId":2,"name":"g","ownerId":3})"_ba << decodes << QString();
        QTest::newRow("full") << R"({"id":1,"conversationId":2,"name":"g","avatar":"a","description":"d","ownerId":3,
            "maxMembers":500,"createdAt":"t0","updatedAt":"t1","memberCount":12})"_ba << decodes << QString();
        QTest::newRow("no ownerId") << R"({"id":1,"conversationId":2,"name":"g"})"_ba << keyNotFound << u"ownerId"_s;
    }
    void group() { decodeRowRoundTrips<ChatGroup>(); }

    void announcement_data()
    {
        addDecodeColumns();
        QTest::newRow("without isPinned") << R"({"id":1,"conversationId":2,"publisherId":3,"content":"c"})"_ba << decodes
                                          << QString();
        QTest::newRow("full") << R"({"id":1,"conversationId":2,"publisherId":3,"content":"c","isPinned":true,
            "createdAt":"t","publisherName":"p"})"_ba << decodes << QString();
        QTest::newRow("no content") << R"({"id":1,"conversationId":2,"publisherId":3})"_ba << keyNotFound << u"content"_s;
    }
    void announcement() { decodeRowRoundTrips<GroupAnnouncement>(); }

    void groupMember_data()
    {
        addDecodeColumns();
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("online");
        QTest::newRow("nested online wins") << R"({"userId":1,"user":{"online":true},"online":false})"_ba << decodes
                                            << QString() << u"<none>"_s << u"true"_s;
        QTest::newRow("nested without online") << R"({"userId":1,"user":{"name":"A"},"online":false,"name":"B"})"_ba
                                               << decodes << QString() << u"A"_s << u"<none>"_s;
        QTest::newRow("user as number") << R"({"userId":1,"user":7,"name":"B","online":false})"_ba << decodes
                                        << QString() << u"B"_s << u"false"_s;
        QTest::newRow("flat name as number") << R"({"userId":1,"user":7,"name":5})"_ba << typeMismatch << u"name"_s
                                             << QString() << QString();
    }
    void groupMember()
    {
        QFETCH(QString, name);
        QFETCH(QString, online);
        const auto value = decodeRow<GroupMember>();
        if (!value)
            return;
        QCOMPARE(orNone(value->name), name);
        QCOMPARE(orNone(value->online), online);
    }

    void moment_data()
    {
        addDecodeColumns();
        QTest::newRow("counts differ from lists") << R"({"id":1,"userId":2,"likes":[],"likeCount":5})"_ba << decodes
                                                  << QString();
        QTest::newRow("full") << R"({"id":1,"userId":2,"content":"今天 ☀️","images":["a.jpg","b.jpg"],
            "visibility":"public","location":"Hà Nội","createdAt":"t","userName":"u","userAvatar":"av",
            "likes":[{"id":3,"momentId":1,"userId":4,"userName":"l","createdAt":"t1"}],
            "comments":[{"id":5,"momentId":1,"userId":6,"content":"c","replyToId":4,"createdAt":"t2",
                         "userName":"m","replyToUserName":"l"},{"id":7,"momentId":1,"userId":4,"content":"d"}],
            "likeCount":1,"commentCount":2})"_ba << decodes << QString();
        QTest::newRow("number among images") << R"({"id":1,"userId":2,"images":["a",3]})"_ba << typeMismatch
                                             << u"images[1]"_s;
        QTest::newRow("comment without content") << R"({"id":1,"userId":2,"comments":[{"id":5,"momentId":1,"userId":6}]})"_ba
                                                 << keyNotFound << u"comments[0].content"_s;
        QTest::newRow("like without momentId") << R"({"id":1,"userId":2,"likes":[{"id":3,"userId":4}]})"_ba
                                               << keyNotFound << u"likes[0].momentId"_s;
    }
    void moment() { decodeRowRoundTrips<Moment>(); }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
