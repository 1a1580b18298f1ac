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
        const QJsonObject signedIn = m_alice->login(QStringLiteral("alice"), QStringLiteral("alice123"));
        DECODE(AuthResponse, signedIn, auth);
        QVERIFY(auth->appSessionId && auth->refreshToken && auth->user);
        QCOMPARE(auth->user->name, QStringLiteral("Alice Chen"));
        m_bob->login(QStringLiteral("bob"), QStringLiteral("bob12345"));
        QVERIFY(!m_bob->token.isEmpty());
    }

    void profileAndTokens()
    {
        DECODE(AuthResponse, m_alice->get(QStringLiteral("/api/auth/me")).json(), me);
        QVERIFY(me->user);
        DECODE(User, m_alice->query(QStringLiteral("user.getMyProfile")).data(), profile);
        QCOMPARE(profile->openId, QStringLiteral("alice"));

        ApiClient other(m_server.baseUrl());
        const QString refreshToken = other.login(QStringLiteral("lisi"), QStringLiteral("lisi123"))[QLatin1StringView("refresh_token")].toString();
        const HttpResult refreshed = other.postJson(QStringLiteral("/api/auth/refresh"), { { QStringLiteral("refreshToken"), refreshToken } });
        DECODE(RefreshResponse, refreshed.json(), refresh);
        QVERIFY(refresh->appSessionId && refresh->refreshToken);
    }

    void demoListsDecode()
    {
        DECODE(QList<Conversation>, m_alice->query(QStringLiteral("conversations.list")).data(), conversations);
        QCOMPARE(conversations->size(), 3);
        int unread = 0;
        for (const Conversation& c : *conversations) {
            QVERIFY(c.name && !c.name->isEmpty());
            QVERIFY(c.lastMessage && !c.lastMessage->isEmpty());
            QVERIFY(c.lastMessageTime);
            QVERIFY(c.unreadCount);
            unread += int(*c.unreadCount);
            QCOMPARE(c.online.has_value(), c.type == u"private");

            const QJsonObject page { { QStringLiteral("conversationId"), c.id }, { QStringLiteral("limit"), 50 }, { QStringLiteral("offset"), 0 } };
            DECODE(QList<Message>, m_alice->query(QStringLiteral("messages.list"), page).data(), messages);
            QVERIFY(!messages->isEmpty());
            QCOMPARE(messages->first().content, c.lastMessage);
            for (const Message& m : *messages)
                QVERIFY(m.senderName && m.createdAt && m.status && m.serverMsgId);

            DECODE(QList<GroupMember>, m_alice->query(QStringLiteral("groups.getMembers"), QJsonObject { { QStringLiteral("conversationId"), c.id } }).data(), members);
            QCOMPARE(qsizetype(members->size()), c.type == u"group" ? 4 : 2);
            for (const GroupMember& member : *members)
                QVERIFY(member.name && member.role && member.online);
        }
        QCOMPARE(unread, 2);

        DECODE(QList<Contact>, m_alice->query(QStringLiteral("contacts.list")).data(), contacts);
        QCOMPARE(contacts->size(), 3);
        for (const Contact& contact : *contacts)
            QVERIFY(contact.name && contact.openId && contact.online);

        DECODE(QList<ChatGroup>, m_alice->query(QStringLiteral("groups.list")).data(), groups);
        QCOMPARE(groups->size(), 1);
        QCOMPARE(groups->first().memberCount, std::optional<qint64>(4));
    }

    void uploadRepliesDecode()
    {
        const HttpResult announced = m_alice->mutation(QStringLiteral("upload.getPresignedUrl"),
            QJsonObject { { QStringLiteral("fileName"), QStringLiteral("a.pdf") }, { QStringLiteral("fileType"), QStringLiteral("application/pdf") },
                          { QStringLiteral("fileSize"), 3 } });
        DECODE(PresignedResponse, announced.data(), presigned);
        const HttpResult completed = m_alice->mutation(QStringLiteral("upload.complete"),
            QJsonObject { { QStringLiteral("fileKey"), presigned->fileKey }, { QStringLiteral("fileBuffer"), QStringLiteral("YWJj") },
                          { QStringLiteral("contentType"), QStringLiteral("application/pdf") } });
        DECODE(CompleteResponse, completed.data(), complete);
        QVERIFY(complete->url.startsWith(u'/'));
    }

    void framesDecode()
    {
        qint64 conversationId = 0;
        for (const QJsonValue& c : m_alice->query(QStringLiteral("conversations.list")).data().toArray()) {
            if (c[QLatin1StringView("name")].toString() == u"Bob Smith")
                conversationId = c[QLatin1StringView("id")].toInteger();
        }
        QVERIFY(conversationId > 0);
        LiveClient alice(m_server.wsUrl());
        LiveClient bob(m_server.wsUrl());
        QVERIFY(alice.authenticate(m_alice->token, m_alice->userId()));
        QVERIFY(bob.authenticate(m_bob->token, m_bob->userId()));

        const auto frame = [](const QString& type, const std::optional<QJsonObject>& payload) {
            return QJsonObject { { QStringLiteral("type"), type }, { QStringLiteral("payload"), payload.value_or(QJsonObject()) } };
        };
        DECODE(WSMessage, frame(QStringLiteral("online"), alice.waitFor(QStringLiteral("online"))), online);
        QCOMPARE(online->payload->userId, std::optional<qint64>(m_bob->userId()));

        alice.sendFrame(QStringLiteral("message_send"),
            { { QStringLiteral("clientMsgId"), QStringLiteral("r-1") }, { QStringLiteral("conversationId"), conversationId },
              { QStringLiteral("type"), QStringLiteral("file") }, { QStringLiteral("fileUrl"), QStringLiteral("/uploads/x") },
              { QStringLiteral("fileName"), QStringLiteral("报告.pdf") }, { QStringLiteral("fileSize"), 1234 },
              { QStringLiteral("fileMimeType"), QStringLiteral("application/pdf") } });
        DECODE(WSMessage, frame(QStringLiteral("message_ack"), alice.waitFor(QStringLiteral("message_ack"))), ack);
        QVERIFY(ack->payload->clientMsgId && ack->payload->serverMsgId && ack->payload->messageId && ack->payload->isDuplicate);
        DECODE(WSMessage, frame(QStringLiteral("message_deliver"), bob.waitFor(QStringLiteral("message_deliver"))), deliver);
        QVERIFY(deliver->payload->message);
        QCOMPARE(deliver->payload->message->fileName, std::optional<QString>(QStringLiteral("报告.pdf")));
        QCOMPARE(deliver->payload->message->fileSize, std::optional<qint64>(1234));

        bob.sendFrame(QStringLiteral("typing"), { { QStringLiteral("conversationId"), conversationId } });
        DECODE(WSMessage, frame(QStringLiteral("typing"), alice.waitFor(QStringLiteral("typing"))), typing);
        QVERIFY(typing->payload->conversationId && typing->payload->userId && typing->payload->userName);

        bob.sendFrame(QStringLiteral("read"), { { QStringLiteral("conversationId"), conversationId } });
        DECODE(WSMessage, frame(QStringLiteral("message_read_notify"), alice.waitFor(QStringLiteral("message_read_notify"))), read);
        QVERIFY(read->payload->conversationId && read->payload->readBy);

        const QJsonObject reaction { { QStringLiteral("messageId"), *ack->payload->messageId }, { QStringLiteral("emoji"), QStringLiteral("❤️") } };
        QCOMPARE(m_bob->mutation(QStringLiteral("messages.addReaction"), reaction).status, 200);
        DECODE(WSMessage, frame(QStringLiteral("reaction"), alice.waitFor(QStringLiteral("reaction"))), reacted);
        QVERIFY(reacted->payload->messageId && reacted->payload->userId && reacted->payload->emoji && reacted->payload->action);

        QCOMPARE(m_alice->mutation(QStringLiteral("messages.revoke"), QJsonObject { { QStringLiteral("messageId"), *ack->payload->messageId } }).status, 200);
        DECODE(WSMessage, frame(QStringLiteral("message_revoked"), bob.waitFor(QStringLiteral("message_revoked"))), revoked);
        QVERIFY(revoked->payload->messageId && revoked->payload->conversationId);

        bob.sendText(QStringLiteral("nonsense"));
        DECODE(WSMessage, frame(QStringLiteral("error"), bob.waitFor(QStringLiteral("error"))), error);
        QVERIFY(error->payload->code);
    }

    void cleanupTestCase()
    {
        QVERIFY2(m_server.stop(), m_server.serverLog().constData());
    }
};

QTEST_GUILESS_MAIN(TestServerRecords)
#include "tst_server_records.moc"
