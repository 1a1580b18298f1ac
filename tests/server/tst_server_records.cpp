// End to end: every reply and frame of morvane-server decodes with the client's own
// records, and the fields the screens show are really there.

#include "ServerProcess.h"
#include "ServerTestClient.h"

#include "models/AuthResponse.h"
#include "models/ChatGroup.h"
#include "models/Contact.h"
#include "models/Conversation.h"
#include "models/GroupMember.h"
#include "models/Message.h"
#include "models/User.h"
#include "models/WSMessage.h"
#include "network/RefreshResponse.h"
#include "network/UploadRecords.h"

#include <QJsonArray>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

using testsupport::ServerProcess;

namespace {

template <typename T>
std::optional<T> decoded(const QJsonValue& value, QString* error)
{
    try {
        return json::decode<T>(value);
    } catch (const json::DecodeError& failure) {
        *error = failure.description();
        return std::nullopt;
    }
}

} // namespace

#define DECODE(T, value, name)                                  \
    QString name##Error;                                        \
    const auto name = decoded<T>(value, &name##Error);          \
    QVERIFY2(name.has_value(), qPrintable(name##Error))

class TestServerRecords : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<ApiClient> m_alice;
    std::unique_ptr<ApiClient> m_bob;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_alice = std::make_unique<ApiClient>(m_server.baseUrl());
        m_bob = std::make_unique<ApiClient>(m_server.baseUrl());
        const QJsonObject signedIn = m_alice->login(u"alice"_s, u"alice123"_s);
        DECODE(AuthResponse, signedIn, auth);
        QVERIFY(auth->appSessionId && auth->refreshToken && auth->user);
        m_bob->login(u"bob"_s, u"bob12345"_s);
    }

    void profileAndTokens()
    {
        DECODE(AuthResponse, m_alice->get(u"/api/auth/me"_s).json(), me);
        QVERIFY(me->user);
        DECODE(User, m_alice->query(u"user.getMyProfile"_s).data(), profile);

        ApiClient other(m_server.baseUrl());
        const QString refreshToken = other.login(u"lisi"_s, u"lisi123"_s)["refresh_token"_L1].toString();
        const HttpResult refreshed = other.postJson(u"/api/auth/refresh"_s, { { u"refreshToken"_s, refreshToken } });
        DECODE(RefreshResponse, refreshed.json(), refresh);
        QVERIFY(refresh->appSessionId && refresh->refreshToken);
    }

    void demoListsDecode()
    {
        DECODE(QList<Conversation>, m_alice->query(u"conversations.list"_s).data(), conversations);
        QCOMPARE(conversations->size(), 3);
        int unread = 0;
        for (const Conversation& c : *conversations) {
            QVERIFY(c.name && c.lastMessage && c.lastMessageTime && c.unreadCount);
            unread += int(*c.unreadCount);
            QCOMPARE(c.online.has_value(), c.type == u"private");

            const QJsonObject page { { u"conversationId"_s, c.id }, { u"limit"_s, 50 }, { u"offset"_s, 0 } };
            DECODE(QList<Message>, m_alice->query(u"messages.list"_s, page).data(), messages);
            QVERIFY(!messages->isEmpty());
            QCOMPARE(messages->first().content, c.lastMessage);
            for (const Message& m : *messages)
                QVERIFY(m.senderName && m.createdAt && m.status && m.serverMsgId);

            DECODE(QList<GroupMember>, m_alice->query(u"groups.getMembers"_s, QJsonObject { { u"conversationId"_s, c.id } }).data(), members);
            QCOMPARE(qsizetype(members->size()), c.type == u"group" ? 4 : 2);
            for (const GroupMember& member : *members)
                QVERIFY(member.name && member.role && member.online);
            // A private conversation names its other member; a group names none.
            std::optional<qint64> other;
            for (const GroupMember& member : *members) {
                if (c.type == u"private" && member.userId != m_alice->userId())
                    other = member.userId;
            }
            QCOMPARE(c.peerId, other);
            // The demo's histories are spoken by the conversation's own members.
            for (const Message& m : *messages)
                QVERIFY2(std::any_of(members->cbegin(), members->cend(), [&](const GroupMember& member) { return member.userId == m.senderId; }),
                         qPrintable(m.content.value_or(QString())));
        }
        QCOMPARE(unread, 2);

        DECODE(QList<Contact>, m_alice->query(u"contacts.list"_s).data(), contacts);
        QCOMPARE(contacts->size(), 3);
        for (const Contact& contact : *contacts)
            QVERIFY(contact.name && contact.openId && contact.online);

        DECODE(QList<ChatGroup>, m_alice->query(u"groups.list"_s).data(), groups);
        QCOMPARE(groups->size(), 1);
        QCOMPARE(groups->first().memberCount, std::optional<qint64>(4));
    }

    void uploadRepliesDecode()
    {
        const QJsonObject announcement { { u"fileName"_s, u"a.pdf"_s }, { u"fileType"_s, u"application/pdf"_s }, { u"fileSize"_s, 3 } };
        DECODE(PresignedResponse, m_alice->mutation(u"upload.getPresignedUrl"_s, announcement).data(), presigned);
        const QJsonObject completion { { u"fileKey"_s, presigned->fileKey }, { u"fileBuffer"_s, u"YWJj"_s }, { u"contentType"_s, u"application/pdf"_s } };
        DECODE(CompleteResponse, m_alice->mutation(u"upload.complete"_s, completion).data(), complete);
        QVERIFY(complete->url.startsWith(u'/'));
    }

    void framesDecode()
    {
        qint64 conversationId = 0;
        for (const QJsonValue& c : m_alice->query(u"conversations.list"_s).data().toArray()) {
            if (c["name"_L1].toString() == u"Bob Smith")
                conversationId = c["id"_L1].toInteger();
        }
        QVERIFY(conversationId > 0);
        LiveClient alice(m_server.wsUrl());
        LiveClient bob(m_server.wsUrl());
        QVERIFY(alice.authenticate(m_alice->token, m_alice->userId()));
        QVERIFY(bob.authenticate(m_bob->token, m_bob->userId()));

        const auto frame = [](const QString& type, const std::optional<QJsonObject>& payload) {
            return QJsonObject { { u"type"_s, type }, { u"payload"_s, payload.value_or(QJsonObject()) } };
        };
        DECODE(WSMessage, frame(u"online"_s, alice.waitFor(u"online"_s)), online);
        QCOMPARE(online->payload->userId, std::optional<qint64>(m_bob->userId()));

        alice.sendFrame(u"message_send"_s, { { u"clientMsgId"_s, u"r-1"_s }, { u"conversationId"_s, conversationId }, { u"type"_s, u"file"_s },
                                             { u"fileUrl"_s, u"/uploads/x"_s }, { u"fileName"_s, u"报告.pdf"_s }, { u"fileSize"_s, 1234 } });
        DECODE(WSMessage, frame(u"message_ack"_s, alice.waitFor(u"message_ack"_s)), ack);
        QVERIFY(ack->payload->clientMsgId && ack->payload->serverMsgId && ack->payload->messageId && ack->payload->isDuplicate);
        DECODE(WSMessage, frame(u"message_deliver"_s, bob.waitFor(u"message_deliver"_s)), deliver);
        QVERIFY(deliver->payload->message);
        QCOMPARE(deliver->payload->message->fileName, std::optional<QString>(u"报告.pdf"_s));
        QCOMPARE(deliver->payload->message->fileSize, std::optional<qint64>(1234));

        bob.sendFrame(u"typing"_s, { { u"conversationId"_s, conversationId } });
        DECODE(WSMessage, frame(u"typing"_s, alice.waitFor(u"typing"_s)), typing);
        QVERIFY(typing->payload->conversationId && typing->payload->userId && typing->payload->userName);

        bob.sendFrame(u"read"_s, { { u"conversationId"_s, conversationId } });
        DECODE(WSMessage, frame(u"message_read_notify"_s, alice.waitFor(u"message_read_notify"_s)), read);
        QVERIFY(read->payload->conversationId && read->payload->readBy);

        const QJsonObject reaction { { u"messageId"_s, *ack->payload->messageId }, { u"emoji"_s, u"❤️"_s } };
        QCOMPARE(m_bob->mutation(u"messages.addReaction"_s, reaction).status, 200);
        DECODE(WSMessage, frame(u"reaction"_s, alice.waitFor(u"reaction"_s)), reacted);
        QVERIFY(reacted->payload->messageId && reacted->payload->userId && reacted->payload->emoji && reacted->payload->action);

        QCOMPARE(m_alice->mutation(u"messages.revoke"_s, QJsonObject { { u"messageId"_s, *ack->payload->messageId } }).status, 200);
        DECODE(WSMessage, frame(u"message_revoked"_s, bob.waitFor(u"message_revoked"_s)), revoked);
        QVERIFY(revoked->payload->messageId && revoked->payload->conversationId);

        bob.sendText(u"nonsense"_s);
        DECODE(WSMessage, frame(u"error"_s, bob.waitFor(u"error"_s)), error);
        QVERIFY(error->payload->code);
    }

    void cleanupTestCase() { QVERIFY2(m_server.stop(), m_server.serverLog().constData()); }
};

QTEST_GUILESS_MAIN(TestServerRecords)
#include "tst_server_records.moc"
