#include "DecodeCheck.h"
#include "models/AnyCodableValue.h"
#include "models/WSMessage.h"
#include "models/WSMessageType.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestWSFrame : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void frame_data()
    {
        addDecodeColumns();
        QTest::addColumn<bool>("hasPayload");
        QTest::newRow("pong") << R"({"type":"pong"})"_ba << decodes << QString() << false;
        QTest::newRow("null payload") << R"({"type":"pong","payload":null})"_ba << decodes << QString() << false;
        QTest::newRow("no type") << R"({"payload":{}})"_ba << keyNotFound << u"type"_s << false;
        QTest::newRow("userId as text") << R"({"type":"read","payload":{"userId":"5"}})"_ba << typeMismatch
                                        << u"payload.userId"_s << false;
        QTest::newRow("extra keys ignored") << R"({"type":"message_edit","payload":{"userId":5,"newContent":"x","editedBy":1}})"_ba
                                            << decodes << QString() << true;
        QTest::newRow("failing message") << R"({"type":"message_deliver","payload":{"message":{"id":1}}})"_ba
                                         << keyNotFound << u"payload.message.conversationId"_s << false;
        QTest::newRow("failing list element") << R"({"type":"sync_response","payload":{"messages":[{"id":1,"conversationId":2,"senderId":3,"type":"text"},{"id":"2"}]}})"_ba
                                              << typeMismatch << u"payload.messages[1].id"_s << false;
        QTest::newRow("conversation that is no object") << R"({"type":"sync_response","payload":{"conversations":[{"id":1},7]}})"_ba
                                                        << typeMismatch << u"payload.conversations[1]"_s << false;
        QTest::newRow("callId of any shape") << R"({"type":"call_invite","payload":{"callId":[1,{"a":null}]}})"_ba
                                             << decodes << QString() << true;
        // Every typed field of the payload refuses a value of another type, by its name.
        const char* numbers[] = { "tenantId", "serverTime", "messageId", "conversationId", "senderId", "fileSize",
                                  "replyToId", "readBy", "revokedBy", "callerId", "calleeId", "targetUserId", "accepterId",
                                  "rejecterId", "hanguperId", "duration", "ttl", "pollId", "optionId" };
        const char* texts[] = { "token", "deviceId", "deviceType", "senderName", "content", "messageType", "fileUrl",
                                "fileName", "fileMimeType", "createdAt", "clientMsgId", "serverMsgId", "afterServerMsgId",
                                "nextCursor", "code", "userName", "emoji", "action", "callerName", "callerAvatar", "callType",
                                "reason" };
        const auto wrong = [](const char* key, const char* value) {
            QTest::addRow("%s of another type", key) << "{\"type\":\"x\",\"payload\":{\"" + QByteArray(key) + "\":" + value + "}}"
                                                     << typeMismatch << u"payload."_s + QLatin1StringView(key) << false;
        };
        for (const char* key : numbers)
            wrong(key, "\"5\"");
        for (const char* key : texts)
            wrong(key, "5");
        for (const char* key : { "isDuplicate", "hasMore" })
            wrong(key, "1");
        for (const char* key : { "message", "messages", "conversations" })
            wrong(key, "\"x\"");
    }
    void frame()
    {
        QFETCH(bool, hasPayload);
        const auto value = decodeRow<WSMessage>();
        if (value)
            QCOMPARE(value->payload.has_value(), hasPayload);
    }

    void everyPayloadFieldRoundTrips()
    {
        const QJsonObject payload = objectOf(R"({
            "userId":1,"token":"t","deviceId":"d","deviceType":"desktop","tenantId":2,"serverTime":1700000000000,
            "message":{"id":3,"conversationId":4,"senderId":5,"type":"text","content":"你好"},
            "messageId":6,"conversationId":7,"senderId":8,"senderName":"s","content":"c","messageType":"text",
            "fileUrl":"u","fileName":"f","fileSize":9,"fileMimeType":"m","createdAt":"t0","clientMsgId":"cm",
            "serverMsgId":"sm","isDuplicate":false,"afterServerMsgId":"a","replyToId":10,
            "conversations":[{"id":11,"name":"g","tags":["x",null],"unread":1.5}],
            "messages":[{"id":12,"conversationId":4,"senderId":5,"type":"image"}],
            "hasMore":true,"nextCursor":"n","readBy":13,"revokedBy":14,"code":"E1","userName":"un","emoji":"🎉",
            "action":"add","callId":"c-1","callerId":15,"calleeId":16,"callerName":"cn","callerAvatar":"ca",
            "callType":"video","sdp":{"type":"offer","sdp":"v=0"},"candidate":{"sdpMLineIndex":0},"targetUserId":17,
            "accepterId":18,"rejecterId":19,"hanguperId":20,"reason":"r","duration":21,"ttl":22,"pollId":23,
            "optionId":9223372036854775807})"_ba);
        QCOMPARE(payload.size(), 50);
        const WSMessage frame = json::decode<WSMessage>(QJsonObject { { u"type"_s, u"x"_s }, { u"payload"_s, payload } });
        QVERIFY(frame.payload);
        QCOMPARE(encodedObject(*frame.payload), payload);
        QCOMPARE(encodedObject(WSPayload {}), QJsonObject());
    }

    void encodesOnlyPresentKeys()
    {
        WSPayload payload;
        payload.userId = 1;
        payload.conversationId = 9007199254740993LL;
        QCOMPARE(encodedObject(WSMessage { u"read"_s, payload }),
                 objectOf(R"({"type":"read","payload":{"userId":1,"conversationId":9007199254740993}})"_ba));
        QCOMPARE(encodedObject(WSMessage { u"ping"_s, std::nullopt }), objectOf(R"({"type":"ping"})"_ba));
    }

    void anyValueTrialOrder_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("kind");
        QTest::newRow("string") << R"("abc")"_ba << int(AnyCodableValue::Kind::String);
        QTest::newRow("int") << "42"_ba << int(AnyCodableValue::Kind::Int);
        QTest::newRow("integral double is int") << "42.0"_ba << int(AnyCodableValue::Kind::Int);
        QTest::newRow("double") << "4.5"_ba << int(AnyCodableValue::Kind::Double);
        QTest::newRow("beyond int64 is double") << "1e19"_ba << int(AnyCodableValue::Kind::Double);
        QTest::newRow("bool is not a number") << "true"_ba << int(AnyCodableValue::Kind::Bool);
        QTest::newRow("nested dict") << R"({"a":[1,"b",null,{"c":false}]})"_ba << int(AnyCodableValue::Kind::Dict);
        QTest::newRow("array") << "[1]"_ba << int(AnyCodableValue::Kind::Array);
        QTest::newRow("null") << "null"_ba << int(AnyCodableValue::Kind::Null);
    }
    void anyValueTrialOrder()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, kind);
        const AnyCodableValue value = json::decode<AnyCodableValue>(text);
        QCOMPARE(int(value.kind()), kind);
        QCOMPARE(value.toJson(), json::parse(text));
    }

    void messageTypeTableIsComplete()
    {
        QSet<QString> seen;
        for (int i = 0; i < wsMessageTypeCount; ++i) {
            const auto type = static_cast<WSMessageType>(i);
            seen.insert(rawValue(type));
            QCOMPARE(wsMessageType(QString(rawValue(type))), type);
        }
        QCOMPARE(seen.size(), 67);
        // Each case keeps its index: the index is what is stored, the string what is sent.
        const char* const byIndex[] = {
            "auth", "auth_success", "message", "typing", "typing_stop", "read", "online", "offline", "revoke",
            "message_edit", "reaction", "ping", "pong", "message_send", "message_ack", "message_deliver",
            "message_delivered", "message_read", "message_read_notify", "message_revoke", "message_revoked",
            "read_sync", "sync_init", "sync_init_response", "sync_request", "sync_response", "error", "message_edited",
            "message_pinned", "message_unpinned", "mute_conversation", "unmute_conversation", "mute_ack", "unmute_ack",
            "announcement_read", "call_created", "call_incoming", "call_accepted", "call_declined", "call_cancelled",
            "call_ended", "call_participant_joined", "call_participant_left", "call_sdp_offer", "call_sdp_answer",
            "call_state_update", "call_missed", "friend_request", "friend_request_accepted", "call_invite",
            "call_accept", "call_reject", "call_hangup", "call_busy", "call_offer", "call_answer", "call_ice",
            "call_timeout", "pin", "unpin", "poll_vote", "disappearing_timer", "thread_reply", "red_packet",
            "red_packet_claimed", "transfer_received", "transfer_accepted"
        };
        static_assert(std::size(byIndex) == 67);
        for (int i = 0; i < wsMessageTypeCount; ++i)
            QCOMPARE(QString(rawValue(static_cast<WSMessageType>(i))), QString::fromLatin1(byIndex[i]));
        QVERIFY(!wsMessageType(u"Auth"_s));
        QVERIFY(!wsMessageType(u"call"_s));
    }
};

QTEST_GUILESS_MAIN(TestWSFrame)
#include "tst_ws_frame.moc"
