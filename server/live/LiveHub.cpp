#include "live/LiveHub.h"

#include "http/ServerError.h"
#include "live/AckFrame.h"
#include "live/MessageWriter.h"
#include "store/Accounts.h"
#include "store/Contacts.h"
#include "store/Conversations.h"
#include "store/Database.h"
#include "store/Messages.h"

#include "WireTime.h"

#include "models/Json.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

QString errorCode(const ServerError& error)
{
    switch (error.kind()) {
    case ServerError::Kind::NotFound:
        return QStringLiteral("NOT_FOUND");
    case ServerError::Kind::Forbidden:
        return QStringLiteral("FORBIDDEN");
    case ServerError::Kind::Unauthorized:
        return QStringLiteral("AUTH_FAILED");
    case ServerError::Kind::Conflict:
        return QStringLiteral("CONFLICT");
    default:
        return QStringLiteral("INVALID_PAYLOAD");
    }
}

} // namespace

LiveHub::LiveHub(Accounts& accounts, Conversations& conversations, Messages& messages, Contacts& contacts, MessageWriter& writer,
    QObject* parent)
    : QObject(parent)
    , m_accounts(accounts)
    , m_conversations(conversations)
    , m_messages(messages)
    , m_contacts(contacts)
    , m_writer(writer)
    , m_inbox([this](QWebSocket* socket, const QString& text) { onText(socket, text); })
{
    connect(&m_writer, &MessageWriter::written, this, &LiveHub::onSendsWritten, Qt::QueuedConnection);
}

LiveHub::~LiveHub()
{
    // An acknowledgement may no longer reach its socket, but nothing handed over is lost:
    // the writer stores it before it goes.
    m_writer.disconnect(this);
    for (auto it = m_connections.keyBegin(); it != m_connections.keyEnd(); ++it)
        (*it)->disconnect(this);
}

void LiveHub::accept(std::unique_ptr<QWebSocket> owned)
{
    QWebSocket* socket = owned.release();
    // Only "/ws" is upgraded (HttpConnection answers any other address with a 404).
    socket->setParent(this);
    socket->setMaxAllowedIncomingFrameSize(kMaxBufferedFrame);
    socket->setMaxAllowedIncomingMessageSize(kMaxBufferedFrame);
    Connection fresh;
    fresh.language = languageFromHeader(socket->request().rawHeader(QByteArrayLiteral("Accept-Language")));
    m_connections.insert(socket, fresh);
    m_unsent.insert(socket, 0);
    connect(socket, &QWebSocket::bytesWritten, this, [this, socket](qint64 written) {
        // Frame headers count here too, so this may run a little ahead of the payloads.
        if (const auto it = m_unsent.find(socket); it != m_unsent.end())
            *it = qMax<qint64>(0, *it - written);
    });
    connect(socket, &QWebSocket::textMessageReceived, this, [this, socket](const QString& text) { m_inbox.add(socket, text); });
    connect(socket, &QWebSocket::binaryMessageReceived, this, [this, socket](const QByteArray&) {
        sendError(socket, QStringLiteral("INVALID_FRAME"), Phrase(Text::FrameNotJsonText));
    });
    // Whichever side begins the close.
    connect(socket, &QWebSocket::aboutToClose, this, [this, socket] { stopWritingOn(socket); });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] { onClosed(socket); });

    // A socket that never authenticates does not get to hold a connection open.
    QPointer<QWebSocket> guard(socket);
    QTimer::singleShot(kAuthTimeoutMs, this, [this, guard] {
        if (guard && m_connections.contains(guard) && m_connections.value(guard).userId == 0)
            guard->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("authentication timed out"));
    });
}

bool LiveHub::isOnline(qint64 userId) const
{
    return m_byUser.contains(userId) || m_resuming.contains(userId);
}

qint64 LiveHub::onlineCount() const
{
    QSet<qint64> users(m_byUser.keyBegin(), m_byUser.keyEnd());
    for (auto it = m_resuming.keyBegin(); it != m_resuming.keyEnd(); ++it)
        users.insert(*it);
    return users.size();
}

Presence LiveHub::presenceFor(qint64 viewerId) const
{
    const QSet<qint64> hidden = m_contacts.presenceHiddenFrom(viewerId);
    return [this, hidden](qint64 userId) { return !hidden.contains(userId) && isOnline(userId); };
}

QList<QWebSocket*> LiveHub::socketsOf(qint64 userId) const
{
    return m_byUser.values(userId);
}

QList<QWebSocket*> LiveHub::carriersOf(qint64 userId) const
{
    // Until its successor has authenticated, a channel being replaced carries the events;
    // should the successor close first, it carries them again, as its client still reads it.
    const QList<QWebSocket*> sockets = socketsOf(userId);
    QList<QWebSocket*> carriers;
    for (QWebSocket* socket : sockets) {
        const Connection& connection = *m_connections.constFind(socket);
        if (connection.closing)
            continue;
        const bool superseded = !connection.deviceId.isEmpty()
            && std::any_of(sockets.cbegin(), sockets.cend(), [&](QWebSocket* other) {
                   const Connection& newer = *m_connections.constFind(other);
                   return !newer.closing && newer.order > connection.order && newer.sessionId == connection.sessionId
                       && newer.deviceId == connection.deviceId;
               });
        if (!superseded)
            carriers.append(socket);
    }
    return carriers;
}

void LiveHub::send(QWebSocket* socket, const QString& type, const QJsonObject& payload)
{
    if (m_unsent.contains(socket))
        sendFrame(socket, json::serialize(QJsonObject { { QStringLiteral("type"), type }, { QStringLiteral("payload"), payload } }));
}

void LiveHub::sendFrame(QWebSocket* socket, const QByteArray& frame)
{
    const auto unsent = m_unsent.find(socket);
    if (unsent == m_unsent.end())
        return;
    *unsent += socket->sendTextMessage(QString::fromUtf8(frame));
    if (*unsent <= kMaxUnsent)
        return;
    // Frames queued in this turn of the event loop have not had a chance to go out yet:
    // hand what the kernel takes to it before judging the peer.
    socket->flush();
    const auto stillUnsent = m_unsent.find(socket);
    if (stillUnsent == m_unsent.end() || *stillUnsent <= kMaxUnsent)
        return;
    qWarning().noquote() << "[WS] Closing a socket that left" << *stillUnsent << "bytes unread";
    m_unsent.erase(stillUnsent);
    // A close frame would only queue behind what the peer does not read: drop the connection.
    socket->abort();
    onClosed(socket);
}

void LiveHub::sendError(QWebSocket* socket, const QString& code, const Phrase& reason, const QJsonObject& extra)
{
    QJsonObject payload = extra;
    payload.insert(QStringLiteral("code"), code);
    payload.insert(QStringLiteral("reason"), reason.in(m_connections.value(socket).language));
    send(socket, QStringLiteral("error"), payload);
}

void LiveHub::sendToUsers(const QList<qint64>& userIds, const QString& type, const QJsonObject& payload, const QWebSocket* except)
{
    // Written once for all its sockets, and only when one of them is there.
    QByteArray frame;
    const auto serialized = [&] {
        if (frame.isEmpty())
            frame = json::serialize(QJsonObject { { QStringLiteral("type"), type }, { QStringLiteral("payload"), payload } });
        return frame;
    };
    for (const qint64 userId : userIds) {
        const QList<QWebSocket*> carriers = carriersOf(userId);
        if (carriers.isEmpty()) {
            if (const auto waiting = m_resuming.find(userId); waiting != m_resuming.end()) {
                waiting->frames.append(serialized());
                waiting->bytes += frame.size();
                // Past what a socket may leave unread, the client would not take it all either.
                if (waiting->bytes > kMaxUnsent)
                    stopAwaiting(userId);
            }
            continue;
        }
        for (QWebSocket* socket : carriers) {
            if (socket == except || !m_unsent.contains(socket))
                continue;
            sendFrame(socket, serialized());
        }
    }
}

void LiveHub::sendToConversation(qint64 conversationId, const QString& type, const QJsonObject& payload, const QWebSocket* except)
{
    sendToUsers(m_conversations.memberIds(conversationId), type, payload, except);
}

void LiveHub::notifyRead(qint64 conversationId, qint64 readerId, qint64 lastReadId, const QWebSocket* readerSocket)
{
    QList<qint64> others = m_conversations.membersReachableFrom(conversationId, readerId);
    others.removeAll(readerId);
    sendToUsers(others, QStringLiteral("message_read_notify"),
        { { QStringLiteral("conversationId"), conversationId }, { QStringLiteral("readBy"), readerId },
          { QStringLiteral("messageId"), lastReadId } });
    sendToUsers({ readerId }, QStringLiteral("read_sync"),
        { { QStringLiteral("conversationId"), conversationId }, { QStringLiteral("messageId"), lastReadId } }, readerSocket);
}

void LiveHub::closeSession(qint64 sessionId)
{
    endConnections([sessionId](const Connection& connection) { return connection.sessionId == sessionId; },
        QStringLiteral("signed out"));
    const QList<qint64> waiting = m_resuming.keys();
    for (const qint64 userId : waiting) {
        if (m_resuming.value(userId).sessionId == sessionId)
            stopAwaiting(userId);
    }
}

void LiveHub::closeUser(qint64 userId)
{
    // Every socket, a replaced one included: it still takes what its client sends.
    endConnections([userId](const Connection& connection) { return connection.userId == userId; }, QStringLiteral("account banned"));
    if (m_resuming.contains(userId))
        stopAwaiting(userId);
}

void LiveHub::endConnections(const std::function<bool(const Connection&)>& matches, const QString& reason)
{
    QList<QWebSocket*> ending;
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (matches(it.value())) {
            it->ended = true;
            ending.append(it.key());
        }
    }
    for (QWebSocket* socket : std::as_const(ending))
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated, reason);
}

void LiveHub::closeAll(int waitMs)
{
    settleSends();
    const QList<QWebSocket*> sockets = m_connections.keys();
    for (QWebSocket* socket : sockets)
        socket->close(QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("server shutting down"));
    const QDeadlineTimer deadline(waitMs);
    while (!m_connections.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void LiveHub::onClosed(QWebSocket* socket)
{
    // What came before the close is still answered (sends are stored) as far as it can be.
    m_inbox.flush(socket);
    const auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    const Connection connection = it.value();
    m_connections.erase(it);
    m_unsent.remove(socket);
    socket->deleteLater();
    if (connection.userId == 0)
        return;
    m_byUser.remove(connection.userId, socket);
    if (m_byUser.contains(connection.userId))
        return;
    if (!connection.ended && !connection.deviceId.isEmpty() && !m_resuming.contains(connection.userId)) {
        awaitReturn(connection);
        return;
    }
    if (!m_resuming.contains(connection.userId))
        goOffline(connection.userId);
}

void LiveHub::stopWritingOn(QWebSocket* socket)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end() || it->closing)
        return;
    it->closing = true;
    const Connection connection = *it;
    if (connection.userId != 0 && !connection.ended && !connection.deviceId.isEmpty() && carriersOf(connection.userId).isEmpty()
        && !m_resuming.contains(connection.userId))
        awaitReturn(connection);
}

void LiveHub::awaitReturn(const Connection& connection)
{
    // A client whose renewal comes late loses its channel to the token's expiry before
    // the next one is up; one that fell behind may even let go of a channel still under
    // way. Neither is the user going away.
    const qint64 serial = ++m_resumptions;
    m_resuming.insert(connection.userId, Resumption { connection.sessionId, connection.deviceId, {}, 0, serial });
    QTimer::singleShot(m_handoverGraceMs, this, [this, userId = connection.userId, serial] {
        if (m_resuming.value(userId).serial == serial)
            stopAwaiting(userId);
    });
}

void LiveHub::resume(QWebSocket* socket, const Connection& connection)
{
    const auto waiting = m_resuming.find(connection.userId);
    if (waiting == m_resuming.end() || waiting->sessionId != connection.sessionId || waiting->deviceId != connection.deviceId)
        return;
    const QList<QByteArray> frames = std::move(waiting->frames);
    m_resuming.erase(waiting);
    for (const QByteArray& frame : frames)
        sendFrame(socket, frame);
}

void LiveHub::stopAwaiting(qint64 userId)
{
    m_resuming.remove(userId);
    if (!m_byUser.contains(userId))
        goOffline(userId);
}

void LiveHub::goOffline(qint64 userId)
{
    try {
        m_accounts.touchOnline(userId);
        sendToUsers(m_contacts.presenceWatchers(userId), QStringLiteral("offline"), { { QStringLiteral("userId"), userId } });
    } catch (const std::exception& error) {
        qWarning().noquote() << "[WS] Going offline failed:" << error.what();
    }
}

void LiveHub::onText(QWebSocket* socket, const QString& text)
{
    const auto it = m_connections.constFind(socket);
    if (it == m_connections.cend())
        return;
    // A copy: sending can close the socket and drop its entry while a handler runs.
    const Connection connection = it.value();

    const QByteArray bytes = text.toUtf8();
    if (bytes.size() > kMaxFrame) {
        sendError(socket, QStringLiteral("TOO_LARGE"), Phrase::of(Text::FrameTooLarge, kMaxFrame));
        return;
    }
    QJsonObject frame;
    try {
        const QJsonValue parsed = json::parse(bytes);
        if (!parsed.isObject())
            throw json::DecodeError(json::DecodeError::Kind::TypeMismatch, {}, QStringLiteral("a frame must be a JSON object"));
        frame = parsed.toObject();
    } catch (const json::DecodeError& error) {
        sendError(socket, QStringLiteral("INVALID_JSON"), Phrase::of(Text::InvalidInput, error.description()));
        return;
    }
    const QJsonValue typeValue = frame.value(QLatin1StringView("type"));
    const QJsonValue payloadValue = frame.value(QLatin1StringView("payload"));
    if (!typeValue.isString() || !(payloadValue.isObject() || payloadValue.isUndefined() || payloadValue.isNull())) {
        sendError(socket, QStringLiteral("INVALID_FRAME"), Phrase(Text::FrameShape));
        return;
    }
    const QString type = typeValue.toString();
    const QJsonObject payload = payloadValue.toObject();
    // Frames are answered in the order they came: sends still waiting for their commit
    // go first (pushes such as a delivery are not overtaken by a later pong either).
    if (type != u"message_send")
        settleSends();

    if (type == u"ping") {
        send(socket, QStringLiteral("pong"), {});
        return;
    }
    if (type != u"auth" && connection.userId == 0) {
        sendError(socket, QStringLiteral("NOT_AUTHENTICATED"), Phrase(Text::AuthFrameFirst));
        return;
    }

    // What an error answer names the frame by; made only for an error.
    const auto context = [&payload] {
        QJsonObject named;
        if (payload.value(QLatin1StringView("clientMsgId")).isString())
            named.insert(QStringLiteral("clientMsgId"), payload.value(QLatin1StringView("clientMsgId")));
        return named;
    };
    try {
        if (type == u"auth")
            handleAuth(socket, payload);
        else if (type == u"message_send")
            handleSend(socket, connection, payload);
        else if (type == u"typing")
            handleTyping(socket, connection, payload);
        else if (type == u"read")
            handleRead(socket, connection, payload);
        else if (type == u"message_delivered")
            handleDelivered(connection, payload);
        else
            sendError(socket, QStringLiteral("UNKNOWN_TYPE"), Phrase::of(Text::UnknownFrameType, type.left(64)));
    } catch (const json::DecodeError& error) {
        sendError(socket, QStringLiteral("INVALID_PAYLOAD"), Phrase::of(Text::InvalidInput, error.description()), context());
    } catch (const ServerError& error) {
        sendError(socket, errorCode(error), error.phrase(), context());
    } catch (const std::exception& error) {
        qWarning().noquote() << "[WS] Frame" << type << "failed:" << error.what();
        sendError(socket, QStringLiteral("INTERNAL_ERROR"), Phrase(Text::InternalError), context());
    }
}

void LiveHub::handleAuth(QWebSocket* socket, const QJsonObject& payload)
{
    if (m_connections.value(socket).userId != 0) {
        sendError(socket, QStringLiteral("ALREADY_AUTHENTICATED"), Phrase(Text::AlreadyAuthenticated));
        return;
    }
    const auto refuse = [this, socket](const Phrase& why) {
        sendError(socket, QStringLiteral("AUTH_FAILED"), why);
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("authentication failed"));
    };
    const QJsonValue token = payload.value(QLatin1StringView("token"));
    const QJsonValue userId = payload.value(QLatin1StringView("userId"));
    if (!token.isString() || !userId.isDouble()) {
        refuse(Phrase(Text::AuthFrameShape));
        return;
    }
    const auto session = m_accounts.authenticate(token.toString());
    if (!session || session->userId != userId.toInteger(-1)) {
        refuse(Phrase(Text::TokenNotForUser));
        return;
    }
    const json::Reader reader(payload, json::Path {});
    const QString deviceId = reader.lenient<QString>(QLatin1StringView("deviceId")).value_or(QString()).left(128);
    const QString deviceType = reader.lenient<QString>(QLatin1StringView("deviceType")).value_or(QString()).left(32);

    Connection connection = m_connections.value(socket);
    connection.userId = session->userId;
    connection.sessionId = session->sessionId;
    connection.deviceId = deviceId;
    connection.order = ++m_authentications;
    m_connections.insert(socket, connection);
    const bool firstSocket = !isOnline(connection.userId);
    m_byUser.insert(connection.userId, socket);
    replaceOlderChannels(socket, connection);
    if (!deviceId.isEmpty())
        m_accounts.recordDevice(connection.userId, connection.sessionId, deviceId, deviceType);

    closeWhenExpired(socket, connection.sessionId, session->accessExpires);
    send(socket, QStringLiteral("auth_success"), { { QStringLiteral("userId"), connection.userId } });
    resume(socket, connection);
    const QList<qint64> watchers = m_contacts.presenceWatchers(connection.userId);
    if (firstSocket) {
        m_accounts.touchOnline(connection.userId);
        sendToUsers(watchers, QStringLiteral("online"), { { QStringLiteral("userId"), connection.userId } });
    }
    // A fresh connection starts with an empty online set: tell it who is already here.
    for (const qint64 other : watchers) {
        if (isOnline(other))
            send(socket, QStringLiteral("online"), { { QStringLiteral("userId"), other } });
    }
}

void LiveHub::replaceOlderChannels(QWebSocket* socket, const Connection& connection)
{
    // A client renewing its token opens its new channel before it closes the old one.
    // Were events written on both until then, one that came on the old channel after
    // the client had let go of it would be lost, and one on both would come twice.
    // So each event goes to exactly one: the old channel until now, the new one from
    // here on (carriersOf). The old one still answers what the client sends on it until
    // it closes, and keeps the user online meanwhile.
    if (connection.deviceId.isEmpty())
        return;
    for (QWebSocket* other : socketsOf(connection.userId)) {
        const Connection& older = m_connections.value(other);
        if (other == socket || older.sessionId != connection.sessionId || older.deviceId != connection.deviceId)
            continue;
        closeAfterGrace(other, older.sessionId, QWebSocketProtocol::CloseCodeNormal, QStringLiteral("replaced by a newer connection"));
    }
}

void LiveHub::closeAfterGrace(QWebSocket* socket, qint64 sessionId, QWebSocketProtocol::CloseCode code, const QString& reason)
{
    QPointer<QWebSocket> guard(socket);
    QTimer::singleShot(m_handoverGraceMs, this, [this, guard, sessionId, code, reason] {
        if (guard && m_connections.value(guard).sessionId == sessionId)
            guard->close(code, reason);
    });
}

void LiveHub::closeWhenExpired(QWebSocket* socket, qint64 sessionId, qint64 expiresSeconds)
{
    // A timer holds at most about 24 days; a longer-lived token is looked at again then.
    constexpr qint64 kLongestWaitMs = std::numeric_limits<int>::max();
    const qint64 waitMs = qBound<qint64>(0, expiresSeconds * 1000 - QDateTime::currentMSecsSinceEpoch(), kLongestWaitMs);
    QPointer<QWebSocket> guard(socket);
    QTimer::singleShot(int(waitMs), this, [this, guard, sessionId, expiresSeconds] {
        if (!guard || m_connections.value(guard).sessionId != sessionId)
            return;
        if (expiresSeconds > wiretime::nowSeconds()) {
            closeWhenExpired(guard, sessionId, expiresSeconds);
            return;
        }
        // Its client renews the token shortly before this and opens the channel that
        // replaces this one; a renewal that takes a moment longer must not leave the user
        // unreachable meanwhile, and offline to their contacts.
        closeAfterGrace(guard, sessionId, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("access token expired"));
    });
}

void LiveHub::handleSend(QWebSocket* socket, const Connection& connection, const QJsonObject& payload)
{
    const json::Reader reader(payload, json::Path {});
    OutgoingMessage message;
    message.clientMsgId = reader.required<QString>(QLatin1StringView("clientMsgId"));
    message.conversationId = reader.required<qint64>(QLatin1StringView("conversationId"));
    message.type = reader.required<QString>(QLatin1StringView("type"));
    message.content = reader.optional<QString>(QLatin1StringView("content"));
    message.fileUrl = reader.optional<QString>(QLatin1StringView("fileUrl"));
    message.fileName = reader.optional<QString>(QLatin1StringView("fileName"));
    message.fileSize = reader.optional<qint64>(QLatin1StringView("fileSize"));
    message.fileMimeType = reader.optional<QString>(QLatin1StringView("fileMimeType"));
    message.replyToId = reader.optional<qint64>(QLatin1StringView("replyToId"));

    // The writer gets what arrives in one turn together: handing over each send at once
    // would wake it for the first alone.
    if (m_unsubmitted.isEmpty())
        QMetaObject::invokeMethod(this, &LiveHub::submitSends, Qt::QueuedConnection);
    m_writingSends.append({ socket, message.clientMsgId, message.conversationId });
    m_unsubmitted.append({ connection.userId, std::move(message) });
}

void LiveHub::submitSends()
{
    if (!m_unsubmitted.isEmpty())
        m_writer.submit(std::exchange(m_unsubmitted, {}));
}

void LiveHub::settleSends()
{
    if (m_writingSends.isEmpty())
        return;
    submitSends();
    m_writer.waitForAll();
    onSendsWritten();
}

void LiveHub::onSendsWritten()
{
    // Acknowledgements go out only after the commit: an acknowledged message survives the
    // server being killed.
    const QList<SendOutcome> outcomes = m_writer.takeWritten();
    if (outcomes.isEmpty())
        return;
    const QList<QueuedSend> queued = m_writingSends.first(outcomes.size());
    m_writingSends.remove(0, outcomes.size());

    for (qsizetype i = 0; i < queued.size(); ++i) {
        QWebSocket* socket = queued[i].socket;
        const QueuedSend& message = queued[i];
        const SendOutcome& outcome = outcomes[i];
        const bool open = socket && m_connections.contains(socket);
        const auto context = [&message] { return QJsonObject { { QStringLiteral("clientMsgId"), message.clientMsgId } }; };
        if (outcome.failed) {
            if (open)
                sendError(socket, QStringLiteral("INTERNAL_ERROR"), Phrase(Text::InternalError), context());
            continue;
        }
        if (outcome.refusal) {
            if (open)
                sendError(socket, errorCode(*outcome.refusal), outcome.refusal->phrase(), context());
            continue;
        }
        if (open)
            sendFrame(socket, ackFrame(message.clientMsgId, message.conversationId, outcome.stored));
        if (outcome.stored.duplicate)
            continue;
        // The delivery is made only for someone online to receive it, from what the writer
        // stored: nothing is read back.
        const QList<qint64>& members = outcome.members;
        const bool anyoneElse = std::any_of(members.cbegin(), members.cend(), [&](qint64 member) {
            const auto sockets = m_byUser.equal_range(member);
            return m_resuming.contains(member)
                || std::any_of(sockets.first, sockets.second, [socket](const QWebSocket* s) { return s != socket; });
        });
        if (anyoneElse)
            sendToUsers(members, QStringLiteral("message_deliver"), { { QStringLiteral("message"), outcome.record.toJson({}) } }, socket);
    }
}

void LiveHub::handleTyping(QWebSocket*, const Connection& connection, const QJsonObject& payload)
{
    const json::Reader reader(payload, json::Path {});
    const qint64 conversationId = reader.required<qint64>(QLatin1StringView("conversationId"));
    m_conversations.requireMember(conversationId, connection.userId);
    m_conversations.requireUnblocked(conversationId, connection.userId);
    // In a group they share, someone blocked still does not see the other typing.
    QList<qint64> others = m_conversations.membersReachableFrom(conversationId, connection.userId);
    others.removeAll(connection.userId);
    sendToUsers(others, QStringLiteral("typing"),
        { { QStringLiteral("conversationId"), conversationId },
          { QStringLiteral("userId"), connection.userId },
          { QStringLiteral("userName"), m_accounts.displayName(connection.userId) } });
}

void LiveHub::handleRead(QWebSocket* socket, const Connection& connection, const QJsonObject& payload)
{
    const json::Reader reader(payload, json::Path {});
    const qint64 conversationId = reader.required<qint64>(QLatin1StringView("conversationId"));
    m_conversations.requireMember(conversationId, connection.userId);
    if (const auto lastRead = m_conversations.markRead(conversationId, connection.userId))
        notifyRead(conversationId, connection.userId, *lastRead, socket);
}

void LiveHub::handleDelivered(const Connection& connection, const QJsonObject& payload)
{
    const json::Reader reader(payload, json::Path {});
    m_messages.markDelivered(reader.required<qint64>(QLatin1StringView("messageId")), connection.userId);
}
