// Received frames and the events they turn into, pushed by an in-process server
// through a live channel. Every stream is watched through a queued connection,
// as the state objects watch them.

#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketService.h"

#include "WebSocketLogCapture.h"
#include "WebSocketManualClock.h"
#include "WebSocketTestServer.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString text(const std::optional<QString>& value)
{
    return value ? u"\""_s + *value + u"\""_s : u"none"_s;
}

QString flag(bool value)
{
    return value ? u"true"_s : u"false"_s;
}

// One line per event; a creation time within a minute of now reads "now".
QString describe(const Message& m)
{
    QString createdAt = text(m.createdAt);
    const QDateTime created = QDateTime::fromString(m.createdAt.value_or(QString()), Qt::ISODate);
    if (m.createdAt && m.createdAt->endsWith(u'Z') && !m.createdAt->contains(u'.') && created.isValid()
        && qAbs(created.secsTo(QDateTime::currentDateTimeUtc())) < 60)
        createdAt = u"now"_s;
    return u"id=%1 conversation=%2 sender=%3 type=%4 content=%5 status=%6 createdAt=%7 file=%8 senderName=%9"_s
        .arg(m.id)
        .arg(m.conversationId)
        .arg(m.senderId)
        .arg(m.type, text(m.content), text(m.status), createdAt, text(m.fileUrl), text(m.senderName));
}

class EventRecorder : public QObject {
public:
    explicit EventRecorder(WebSocketService* service)
    {
        using S = WebSocketService;
        const auto queued = Qt::QueuedConnection;
        auto add = [this](QString line) { events.append(line); };
        connect(service, &S::isConnectedChanged, this, [add](bool c) { add(u"isConnected "_s + flag(c)); }, queued);
        connect(service, &S::onlineUsersChanged, this, [add](const QSet<qint64>& users) {
            QList<qint64> sorted(users.begin(), users.end());
            std::sort(sorted.begin(), sorted.end());
            QStringList ids;
            for (qint64 id : sorted)
                ids.append(QString::number(id));
            add(u"onlineUsers ["_s + ids.join(u',') + u"]"_s);
        }, queued);
        connect(service, &S::messageSubject, this, [add](const WSMessage& m) { add(u"message "_s + m.type); }, queued);
        connect(service, &S::typingSubject, this, [add](qint64 c, qint64 u, const QString& name) {
            add(u"typing %1 %2 \"%3\""_s.arg(c).arg(u).arg(name));
        }, queued);
        connect(service, &S::newMessageSubject, this, [add](const Message& m) { add(u"newMessage "_s + describe(m)); }, queued);
        connect(service, &S::readSubject, this, [add](qint64 c, qint64 u) { add(u"read %1 %2"_s.arg(c).arg(u)); }, queued);
        connect(service, &S::reactionSubject, this, [add](qint64 m, qint64 u, const QString& e, const QString& a) {
            add(u"reaction %1 %2 %3 %4"_s.arg(m).arg(u).arg(e, a));
        }, queued);
        connect(service, &S::callSubject, this, [add](const WSMessage& m) { add(u"call "_s + m.type); }, queued);
        connect(service, &S::friendRequestSubject, this, [add](const WSMessage& m) { add(u"friendRequest "_s + m.type); }, queued);
        connect(service, &S::presenceSubject, this, [add](qint64 u, bool online) {
            add(u"presence %1 %2"_s.arg(u).arg(flag(online)));
        }, queued);
        connect(service, &S::revokeSubject, this, [add](qint64 m, qint64 c) { add(u"revoke %1 %2"_s.arg(m).arg(c)); }, queued);
        connect(service, &S::editSubject, this, [add](qint64 m, qint64 c, const QString& content) {
            add(u"edit %1 %2 \"%3\""_s.arg(m).arg(c).arg(content));
        }, queued);
        connect(service, &S::messageAckSubject, this, [add](const QString& c, const QString& s, qint64 m, bool d) {
            add(u"ack %1 %2 %3 %4"_s.arg(c, s).arg(m).arg(flag(d)));
        }, queued);
        connect(service, &S::syncResponseSubject, this, [add](const QList<Message>& ms, bool more, const std::optional<QString>& cursor) {
            QStringList ids;
            for (const Message& m : ms)
                ids.append(QString::number(m.id));
            add(u"syncResponse [%1] %2 %3"_s.arg(ids.join(u','), flag(more), text(cursor)));
        }, queued);
        connect(service, &S::messagePinnedSubject, this, [add](qint64 m, qint64 c) { add(u"pinned %1 %2"_s.arg(m).arg(c)); }, queued);
        connect(service, &S::messageUnpinnedSubject, this, [add](qint64 m, qint64 c) { add(u"unpinned %1 %2"_s.arg(m).arg(c)); }, queued);
        connect(service, &S::messageEditedSubject, this, [add](qint64 m, qint64 c, const QString& content, qint64 by) {
            add(u"edited %1 %2 \"%3\" %4"_s.arg(m).arg(c).arg(content).arg(by));
        }, queued);
        connect(service, &S::muteAckSubject, this, [add](qint64 c, bool muted) { add(u"muteAck %1 %2"_s.arg(c).arg(flag(muted))); }, queued);
    }

    QStringList events;
};

} // namespace

class TestWebSocketDispatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<WebSocketTestServer>();
        QVERIFY(m_server->listen());
        m_service = std::make_unique<WebSocketService>(m_server->url(), std::make_shared<WebSocketManualClock>(),
                                                       m_keychain, m_clientIds);
        m_service->connect(42);
        QTRY_VERIFY(m_service->isConnected());
        m_recorder = std::make_unique<EventRecorder>(m_service.get());
    }

    void cleanup()
    {
        m_recorder.reset();
        m_service.reset();
        m_server.reset();
    }

    void dispatch_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("logLine");

        QTest::newRow("auth_success") << QByteArray(R"({"type":"auth_success","payload":{}})")
                                      << QStringList { u"message auth_success"_s, u"isConnected true"_s } << QString();
        QTest::newRow("message_ack")
            << QByteArray(R"({"type":"message_ack","payload":{"clientMsgId":"c1","serverMsgId":"s1","messageId":12}})")
            << QStringList { u"message message_ack"_s, u"ack c1 s1 12 false"_s } << QString();
        QTest::newRow("message_ack duplicate")
            << QByteArray(R"({"type":"message_ack","payload":{"clientMsgId":"c1","serverMsgId":"s1","messageId":12,"isDuplicate":true}})")
            << QStringList { u"message message_ack"_s, u"ack c1 s1 12 true"_s } << QString();
        QTest::newRow("message_ack with a string id")
            << QByteArray(R"({"type":"message_ack","payload":{"clientMsgId":"c1","serverMsgId":"s1","messageId":"12"}})")
            << QStringList {} << QString();
        QTest::newRow("message_deliver")
            << QByteArray(R"({"type":"message_deliver","payload":{"message":{"id":5,"conversationId":2,"senderId":3,"type":"text","content":"hi","createdAt":"2024-01-02T03:04:05Z"}}})")
            << QStringList { u"message message_deliver"_s,
                             u"newMessage id=5 conversation=2 sender=3 type=text content=\"hi\" status=none createdAt=\"2024-01-02T03:04:05Z\" file=none senderName=none"_s }
            << QString();
        QTest::newRow("message_deliver with an unreadable message")
            << QByteArray(R"({"type":"message_deliver","payload":{"message":{"id":5,"conversationId":2}}})")
            << QStringList {} << QString();
        QTest::newRow("message_read_notify")
            << QByteArray(R"({"type":"message_read_notify","payload":{"conversationId":4,"readBy":8}})")
            << QStringList { u"message message_read_notify"_s, u"read 4 8"_s } << QString();
        QTest::newRow("read_sync is the signed-in user's")
            << QByteArray(R"({"type":"read_sync","payload":{"conversationId":4}})")
            << QStringList { u"message read_sync"_s, u"read 4 42"_s } << QString();
        QTest::newRow("message_revoked")
            << QByteArray(R"({"type":"message_revoked","payload":{"messageId":6,"conversationId":2}})")
            << QStringList { u"message message_revoked"_s, u"revoke 6 2"_s } << QString();
        QTest::newRow("sync_response")
            << QByteArray(R"({"type":"sync_response","payload":{"messages":[{"id":1,"conversationId":2,"senderId":3,"type":"text"}],"hasMore":true,"nextCursor":"n1"}})")
            << QStringList { u"message sync_response"_s, u"syncResponse [1] true \"n1\""_s } << QString();
        QTest::newRow("sync_response defaults")
            << QByteArray(R"({"type":"sync_response","payload":{"messages":[]}})")
            << QStringList { u"message sync_response"_s, u"syncResponse [] false none"_s } << QString();
        QTest::newRow("sync_response without messages")
            << QByteArray(R"({"type":"sync_response","payload":{"nextCursor":"n1","extra":7}})")
            << QStringList { u"message sync_response"_s } << QString();
        QTest::newRow("flat message with defaults")
            << QByteArray(R"({"type":"message","payload":{"messageId":5,"conversationId":2,"senderId":3}})")
            << QStringList { u"message message"_s,
                             u"newMessage id=5 conversation=2 sender=3 type=text content=none status=\"delivered\" createdAt=now file=none senderName=none"_s }
            << QString();
        QTest::newRow("flat message with every field")
            << QByteArray(R"({"type":"message","payload":{"messageId":5,"conversationId":2,"senderId":3,"messageType":"file","content":"c","fileUrl":"/f","fileName":"f.txt","senderName":"Ann","createdAt":"2024-05-06T07:08:09Z"}})")
            << QStringList { u"message message"_s,
                             u"newMessage id=5 conversation=2 sender=3 type=file content=\"c\" status=\"delivered\" createdAt=\"2024-05-06T07:08:09Z\" file=\"/f\" senderName=\"Ann\""_s }
            << QString();
        QTest::newRow("flat message without sender")
            << QByteArray(R"({"type":"message","payload":{"messageId":5,"conversationId":2}})")
            << QStringList { u"message message"_s } << QString();
        QTest::newRow("typing") << QByteArray(R"({"type":"typing","payload":{"conversationId":2,"userId":3}})")
                                << QStringList { u"message typing"_s, u"typing 2 3 \"\""_s } << QString();
        QTest::newRow("typing with a name")
            << QByteArray(R"({"type":"typing","payload":{"conversationId":2,"userId":3,"userName":"Bo"}})")
            << QStringList { u"message typing"_s, u"typing 2 3 \"Bo\""_s } << QString();
        QTest::newRow("read") << QByteArray(R"({"type":"read","payload":{"conversationId":2,"userId":3}})")
                              << QStringList { u"message read"_s, u"read 2 3"_s } << QString();
        QTest::newRow("online") << QByteArray(R"({"type":"online","payload":{"userId":9}})")
                                << QStringList { u"message online"_s, u"onlineUsers [9]"_s, u"presence 9 true"_s } << QString();
        QTest::newRow("offline of a user who was not online")
            << QByteArray(R"({"type":"offline","payload":{"userId":9}})")
            << QStringList { u"message offline"_s, u"onlineUsers []"_s, u"presence 9 false"_s } << QString();
        QTest::newRow("reaction")
            << QByteArray(R"({"type":"reaction","payload":{"messageId":1,"userId":3,"emoji":"+1","action":"add"}})")
            << QStringList { u"message reaction"_s, u"reaction 1 3 +1 add"_s } << QString();
        QTest::newRow("reaction without action")
            << QByteArray(R"({"type":"reaction","payload":{"messageId":1,"userId":3,"emoji":"+1"}})")
            << QStringList { u"message reaction"_s } << QString();
        QTest::newRow("revoke") << QByteArray(R"({"type":"revoke","payload":{"messageId":6,"conversationId":2}})")
                                << QStringList { u"message revoke"_s, u"revoke 6 2"_s } << QString();
        QTest::newRow("message_edit")
            << QByteArray(R"({"type":"message_edit","payload":{"messageId":6,"conversationId":2,"content":"new"}})")
            << QStringList { u"message message_edit"_s, u"edit 6 2 \"new\""_s } << QString();
        QTest::newRow("pong") << QByteArray(R"({"type":"pong"})") << QStringList { u"message pong"_s } << QString();
        // "message" is a message record in the typed payload, so only the raw row sees this frame.
        QTest::newRow("error without code") << QByteArray(R"({"type":"error","payload":{"message":"x"}})")
                                            << QStringList {} << u"[WS] Error from server: UNKNOWN"_s;
        QTest::newRow("error with code") << QByteArray(R"({"type":"error","payload":{"code":"E_AUTH"}})")
                                         << QStringList { u"message error"_s } << u"[WS] Error from server: E_AUTH"_s;
        QTest::newRow("message_edited")
            << QByteArray(R"({"type":"message_edited","payload":{"messageId":1,"conversationId":2,"newContent":"hi"}})")
            << QStringList { u"message message_edited"_s, u"edited 1 2 \"hi\" 0"_s, u"edit 1 2 \"hi\""_s } << QString();
        QTest::newRow("message_pinned")
            << QByteArray(R"({"type":"message_pinned","payload":{"messageId":1,"conversationId":2}})")
            << QStringList { u"message message_pinned"_s, u"pinned 1 2"_s } << QString();
        QTest::newRow("message_unpinned")
            << QByteArray(R"({"type":"message_unpinned","payload":{"messageId":1,"conversationId":2}})")
            << QStringList { u"message message_unpinned"_s, u"unpinned 1 2"_s } << QString();
        QTest::newRow("mute_ack") << QByteArray(R"({"type":"mute_ack","payload":{"conversationId":3}})")
                                  << QStringList { u"message mute_ack"_s, u"muteAck 3 true"_s } << QString();
        QTest::newRow("unmute_ack") << QByteArray(R"({"type":"unmute_ack","payload":{"conversationId":3}})")
                                    << QStringList { u"message unmute_ack"_s, u"muteAck 3 false"_s } << QString();
        QTest::newRow("call_ prefix") << QByteArray(R"({"type":"call_incoming","payload":{"callId":"abc"}})")
                                      << QStringList { u"message call_incoming"_s, u"call call_incoming"_s } << QString();
        QTest::newRow("friend_ prefix") << QByteArray(R"({"type":"friend_request_accepted","payload":{}})")
                                        << QStringList { u"message friend_request_accepted"_s, u"friendRequest friend_request_accepted"_s }
                                        << QString();
        QTest::newRow("unhandled type") << QByteArray(R"({"type":"red_packet","payload":{}})")
                                        << QStringList { u"message red_packet"_s } << QString();

        // Typed decoding fails on "userId"; the raw rows still read their own keys.
        QTest::newRow("raw row despite a bad typed field")
            << QByteArray(R"({"type":"message_pinned","payload":{"messageId":1,"conversationId":2,"userId":"x"}})")
            << QStringList { u"pinned 1 2"_s } << QString();
        QTest::newRow("raw ack despite a bad typed field")
            << QByteArray(R"({"type":"message_ack","payload":{"clientMsgId":"c1","serverMsgId":"s1","messageId":12,"content":5}})")
            << QStringList { u"ack c1 s1 12 false"_s } << QString();
        QTest::newRow("typed row with a bad typed field")
            << QByteArray(R"({"type":"typing","payload":{"conversationId":2,"userId":3,"emoji":7}})")
            << QStringList {} << QString();
        QTest::newRow("call_ prefix with a bad typed field")
            << QByteArray(R"({"type":"call_incoming","payload":{"callerId":"x"}})") << QStringList {} << QString();
        QTest::newRow("raw row with an empty payload") << QByteArray(R"({"type":"mute_ack","payload":{}})")
                                                       << QStringList { u"message mute_ack"_s } << QString();
        QTest::newRow("not an object") << QByteArray(R"(["message_ack"])") << QStringList {} << QString();
        QTest::newRow("not JSON") << QByteArray("{type") << QStringList {} << QString();
    }

    void dispatch()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QStringList, events);
        QFETCH(QString, logLine);
        WebSocketLogCapture log;

        m_server->sendToAll(frame);
        // Frames are handled in order: once the marker is through, so is the frame.
        m_server->sendToAll(R"({"type":"sync_init","payload":{}})");
        QTRY_VERIFY(m_recorder->events.contains(u"message sync_init"_s));
        m_recorder->events.removeAll(u"message sync_init"_s);

        QCOMPARE(m_recorder->events, events);
        const QStringList fromServer = log.linesStartingWith(u"[WS] Error from server: "_s);
        QCOMPARE(fromServer, logLine.isEmpty() ? QStringList() : QStringList { logLine });
    }

    void deliveredMessageIsAcknowledged_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("acknowledgedId");
        QTest::newRow("message_deliver")
            << QByteArray(R"({"type":"message_deliver","payload":{"message":{"id":5,"conversationId":2,"senderId":3,"type":"text"}}})")
            << 5;
        QTest::newRow("unreadable message_deliver")
            << QByteArray(R"({"type":"message_deliver","payload":{"message":7}})") << 0;
        QTest::newRow("flat message") << QByteArray(R"({"type":"message","payload":{"messageId":5,"conversationId":2,"senderId":3}})")
                                      << 0;
    }

    void deliveredMessageIsAcknowledged()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, acknowledgedId);

        m_server->sendToAll(frame);
        m_server->sendToAll(R"({"type":"sync_init","payload":{}})");
        QTRY_VERIFY(m_recorder->events.contains(u"message sync_init"_s));
        // The channel's frames arrive in order: after this one, any acknowledgement is in.
        m_service->sendTyping(1);
        QTRY_COMPARE(m_server->framesOfType(u"typing"_s).size(), 1);

        const QList<QJsonObject> acks = m_server->framesOfType(u"message_delivered"_s);
        if (acknowledgedId == 0) {
            QVERIFY(acks.isEmpty());
            return;
        }
        QCOMPARE(acks.size(), 1);
        QCOMPARE(acks.first(), QJsonDocument::fromJson(R"({"type":"message_delivered","payload":{"messageId":5}})").object());
    }

private:
    std::unique_ptr<WebSocketTestServer> m_server;
    KeychainService m_keychain { std::make_unique<MemorySecretStore>() };
    ClientIdService m_clientIds { m_keychain };
    std::unique_ptr<WebSocketService> m_service;
    std::unique_ptr<EventRecorder> m_recorder;
};

QTEST_GUILESS_MAIN(TestWebSocketDispatch)
#include "tst_websocket_dispatch.moc"
