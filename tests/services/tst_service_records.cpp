#include "models/Json.h"
// The operation-less services are only included, so that they keep compiling.
#include "services/CallService.h"
#include "services/ChatService.h"
#include "services/GamificationService.h"
#include "services/QuickReplyService.h"
#include "services/RedPacketService.h"
#include "services/TransferService.h"
#include "services/FileService.h"
#include "services/GiftService.h"
#include "services/GroupService.h"
#include "services/MFAService.h"
#include "services/PollService.h"
#include "services/SearchService.h"
#include "services/SessionService.h"
#include "services/StickerService.h"
#include "services/VipService.h"
#include "services/WalletService.h"

#include <QTest>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Decodes the text as the named record and encodes it again, so one row checks
// both directions: what is read, and that absent optionals write no key.
using RoundTrip = std::function<QJsonValue(const QByteArray&)>;

template <typename T> QJsonValue roundTrip(const QByteArray& text) { return json::encode(json::decode<T>(text)); }

const QHash<QString, RoundTrip>& records()
{
    static const QHash<QString, RoundTrip> table {
        { u"FavoriteRecord"_s, roundTrip<FavoriteRecord> },
        { u"Gift"_s, roundTrip<GiftService::Gift> },
        { u"FileItem"_s, roundTrip<FileItem> },
        { u"FileDownload"_s, roundTrip<FileDownload> },
        { u"DeviceSession"_s, roundTrip<SessionService::DeviceSession> },
        { u"VipStatus"_s, roundTrip<VipService::VipStatus> },
        { u"VipLevel"_s, roundTrip<VipService::VipLevel> },
        { u"MFAStatus"_s, roundTrip<MFAService::MFAStatus> },
        { u"MFASetup"_s, roundTrip<MFAService::MFASetup> },
        { u"GlobalSearchResult"_s, roundTrip<SearchService::GlobalSearchResult> },
        { u"GroupRole"_s, roundTrip<GroupService::GroupRole> },
        { u"JoinRequest"_s, roundTrip<GroupService::JoinRequest> },
        { u"MentionItem"_s, roundTrip<GroupService::MentionItem> },
        { u"PollOptionResult"_s, roundTrip<PollOptionResult> },
        { u"Sticker"_s, roundTrip<Sticker> },
        { u"StickerPack"_s, roundTrip<StickerPack> },
        { u"Transaction"_s, roundTrip<WalletService::Transaction> },
    };
    return table;
}

} // namespace

class TestServiceRecords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decodeAndEncode_data();
    void decodeAndEncode();
    void newRecordsNameNoOne();
};

void TestServiceRecords::decodeAndEncode_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QByteArray>("input");
    // What the decoded record encodes back to; empty when decoding must fail.
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("errorPath");

    // Without expected, the record writes back exactly what it read.
    auto ok = [](const char* name, const char* record, const char* input, const char* expected = nullptr) {
        QTest::newRow(name) << QString::fromLatin1(record) << QByteArray(input) << QByteArray(expected ? expected : input)
                            << QString();
    };
    auto fails = [](const char* name, const char* record, const char* input, const char* path) {
        QTest::newRow(name) << QString::fromLatin1(record) << QByteArray(input) << QByteArray()
                            << QString::fromLatin1(path);
    };

    // Every field given: each one is read under its own key and written back under it.
    ok("favorite every field", "FavoriteRecord",
        R"({"id":1,"messageId":2,"conversationId":3,"note":"n","message":{"id":2,"conversationId":3,"senderId":4,"type":"text"}})");
    ok("gift every field", "Gift", R"({"id":1,"name":"n","icon":"i","price":1.5,"category":"c","isActive":true})");
    ok("file download every field", "FileDownload",
        R"({"id":1,"fileName":"a.png","fileUrl":"u","fileSize":12,"mimeType":"image/png","signedUrl":"s"})");
    fails("file download without signed url", "FileDownload", R"({"id":1,"fileUrl":"u"})", "signedUrl");
    ok("device every field", "DeviceSession",
        R"({"id":7,"deviceId":"d","deviceName":"n","deviceType":"t","platform":"p","lastIp":"ip","lastActiveAt":"a","isActive":true,"createdAt":"c","isCurrent":false})");
    ok("vip status every field", "VipStatus", R"({"isVip":true,"level":2,"levelName":"gold","expiresAt":"e","autoRenew":false})");
    ok("vip level every field", "VipLevel", R"({"id":1,"name":"n","level":3,"price":9.5,"benefits":["a","b"],"icon":"i"})");
    ok("mfa status every field", "MFAStatus", R"({"enabled":true,"hasBackupCodes":false})");
    ok("mfa setup every field", "MFASetup", R"({"secret":"s","qrCodeUrl":"q","backupCodes":["1","2"]})");
    ok("join request every field", "JoinRequest",
        R"({"id":1,"userId":2,"username":"u","avatar":"a","message":"m","status":"pending","createdAt":"c"})");
    ok("mention every field", "MentionItem",
        R"({"id":1,"messageId":2,"conversationId":3,"senderId":4,"senderName":"s","content":"c","createdAt":"t","isRead":true})");
    ok("poll voter every field", "PollOptionResult", R"({"id":1,"text":"A","voteCount":1,"voters":[{"id":9,"username":"u","avatar":"a"}]})");
    ok("sticker every field", "Sticker", R"({"id":1,"packId":2,"url":"u","emoji":"e","name":"n"})");
    ok("sticker pack every field", "StickerPack", R"({"id":1,"name":"n","icon":"i","author":"a","stickerCount":4})");
    ok("transaction every field", "Transaction",
        R"({"id":5,"type":"t","amount":1.5,"currency":"c","description":"d","status":"s","createdAt":"at","relatedUserId":6,"relatedUserName":"r"})");

    ok("gift integer price", "Gift", R"({"id":1,"price":10})", R"({"id":1,"price":10.0})");
    ok("gift zero and false are present", "Gift", R"({"id":1,"price":0,"isActive":false,"extra":1})",
        R"({"id":1,"price":0,"isActive":false})");

    ok("file item full", "FileItem", R"({"id":3,"fileName":"a.png","fileUrl":"u","fileSize":12,"mimeType":"image/png","conversationId":4,"uploaderId":5,"createdAt":"t"})");

    fails("device with text isActive", "DeviceSession", R"({"id":7,"isActive":"yes"})", "isActive");

    fails("vip level with numeric benefit", "VipLevel", R"({"id":1,"benefits":["a",2]})", "benefits[1]");

    ok("mfa status disabled", "MFAStatus", R"({"enabled":false})");
    fails("mfa status numeric enabled", "MFAStatus", R"({"enabled":1})", "enabled");

    ok("search optional fields absent", "GlobalSearchResult",
        R"({"contacts":[{"id":1,"username":"u","bio":null}],"groups":[{"id":2,"name":"g"}],"messages":[{"id":3,"conversationId":4,"senderId":5}]})",
        R"({"contacts":[{"id":1,"username":"u"}],"groups":[{"id":2,"name":"g"}],"messages":[{"id":3,"conversationId":4,"senderId":5}]})");
    ok("search every field", "GlobalSearchResult",
        R"({"contacts":[{"id":1,"username":"u","avatar":"a","bio":"b"}],"groups":[{"id":2,"name":"g","avatar":"ga","memberCount":3,"conversationId":4}],)"
        R"("messages":[{"id":5,"content":"c","conversationId":6,"senderId":7,"senderName":"s","createdAt":"t","type":"text"}]})");
    fails("search with null messages", "GlobalSearchResult", R"({"contacts":[],"groups":[],"messages":null})",
        "messages");
    fails("search message without conversation", "GlobalSearchResult",
        R"({"contacts":[],"groups":[],"messages":[{"id":3,"senderId":5}]})", "messages[0].conversationId");

    ok("role permissions", "GroupRole", R"({"id":1,"groupId":2,"name":"n","color":"#fff","permissions":{"canPin":true,"canInvite":false}})");
    ok("role empty permissions stay present", "GroupRole", R"({"id":1,"groupId":2,"name":"n","permissions":{}})");
    fails("role numeric permission", "GroupRole", R"({"id":1,"groupId":2,"name":"n","permissions":{"canPin":1}})",
        "permissions.canPin");
    ok("join request", "JoinRequest", R"({"id":1,"userId":2,"message":null,"status":"pending"})",
        R"({"id":1,"userId":2,"status":"pending"})");
    fails("join request without user", "JoinRequest", R"({"id":1})", "userId");
    ok("mention", "MentionItem", R"({"id":1,"messageId":2,"conversationId":3,"senderId":4,"isRead":false})");
    fails("mention without sender", "MentionItem", R"({"id":1,"messageId":2,"conversationId":3})", "senderId");

    ok("poll option empty voters stay present", "PollOptionResult", R"({"id":1,"text":"A","voters":[]})");
    ok("poll voter with id only", "PollOptionResult", R"({"id":1,"text":"A","voteCount":1,"voters":[{"id":9}]})");
    fails("poll voter without id", "PollOptionResult", R"({"id":1,"text":"A","voters":[{"username":"u"}]})",
        "voters[0].id");

    fails("sticker without pack", "Sticker", R"({"id":1,"url":"u"})", "packId");
    fails("sticker without id", "Sticker", R"({"packId":1})", "id");
    ok("sticker pack with id only", "StickerPack", R"({"id":1,"name":null})", R"({"id":1})");
    ok("transaction integer amount", "Transaction", R"({"id":5,"amount":12})", R"({"id":5,"amount":12.0})");
}

void TestServiceRecords::decodeAndEncode()
{
    QFETCH(QString, record);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QFETCH(QString, errorPath);
    QVERIFY2(records().contains(record), qPrintable(record));
    try {
        const QJsonValue written = records().value(record)(input);
        QVERIFY2(!expected.isEmpty(), "decoding should have failed");
        QCOMPARE(written, json::parse(expected));
    } catch (const json::DecodeError& e) {
        QVERIFY2(expected.isEmpty(), e.what());
        QCOMPARE(e.path(), errorPath);
    }
}

// A record made before the server has told anything names no one: each id is 0, which
// no stored record has, and it holds no text and no true flag.
void TestServiceRecords::newRecordsNameNoOne()
{
    const QList<std::pair<const char*, QJsonValue>> records {
        { "file item", json::encode(FileItem {}) }, { "file download", json::encode(FileDownload {}) },
        { "gift", json::encode(GiftService::Gift {}) }, { "role", json::encode(GroupService::GroupRole {}) },
        { "join request", json::encode(GroupService::JoinRequest {}) }, { "mention", json::encode(GroupService::MentionItem {}) },
        { "mfa status", json::encode(MFAService::MFAStatus {}) }, { "poll voter", json::encode(PollVoter {}) },
        { "poll option", json::encode(PollOptionResult {}) }, { "search user", json::encode(SearchService::SearchUser {}) },
        { "search group", json::encode(SearchService::SearchGroup {}) },
        { "search message", json::encode(SearchService::SearchMessage {}) }, { "sticker", json::encode(Sticker {}) },
        { "sticker pack", json::encode(StickerPack {}) }, { "transaction", json::encode(WalletService::Transaction {}) },
        { "vip level", json::encode(VipService::VipLevel {}) }, { "session", json::encode(SessionService::DeviceSession {}) },
    };
    for (const auto& [name, written] : records) {
        const QJsonObject object = written.toObject();
        for (auto member = object.begin(); member != object.end(); ++member) {
            const QJsonValue value = member.value();
            const bool nothing = value.isDouble() ? value.toDouble() == 0 : value.isBool() ? !value.toBool()
                                : value.isString()                         ? value.toString().isEmpty()
                                                                           : value.isNull() || value.isUndefined();
            QVERIFY2(nothing, qPrintable(QStringLiteral("%1.%2").arg(QString::fromLatin1(name), member.key())));
        }
    }
}

QTEST_GUILESS_MAIN(TestServiceRecords)
#include "tst_service_records.moc"
