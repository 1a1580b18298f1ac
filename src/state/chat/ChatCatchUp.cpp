#include "state/chat/ChatCatchUp.h"

#include "services/ChatService.h"
#include "state/chat/ChatMessageList.h"
#include "state/chat/MessageSender.h"
#include "state/common/ErrorDescription.h"

#include <QDebug>
#include <QPointer>

#include <algorithm>
#include <utility>

ChatCatchUp::ChatCatchUp(qint64 conversationId, qint64 currentUserId, ChatService& chatService,
                         ChatMessageList& messages, MessageSender& sender, QObject* parent)
    : QObject(parent)
    , m_conversationId(conversationId)
    , m_currentUserId(currentUserId)
    , m_chatService(chatService)
    , m_messages(messages)
    , m_sender(sender)
{
}

QCoro::Task<> ChatCatchUp::run()
{
    if (m_running) {
        m_again = true;
        co_return;
    }
    QPointer<ChatCatchUp> self(this);
    do {
        m_running = true;
        m_again = false;
        co_await readAndMerge();
        if (!self)
            co_return;
        m_running = false;
    } while (m_again);
}

QCoro::Task<> ChatCatchUp::readAndMerge()
{
    QPointer<ChatCatchUp> self(this);
    const quint64 generation = m_messages.generation();
    QSet<qint64> listed;
    for (const Message& message : m_messages.messages()) {
        if (message.id > 0)
            listed.insert(message.id);
    }
    // Newest first, as the server pages them, until a page reaches what is listed.
    // Pages follow each other without a gap: a message stored meanwhile pushes the
    // next page back, so that page repeats one of the page before, never skips one.
    ChatService* chat = &m_chatService;
    const qint64 conversationId = m_conversationId;
    QList<Message> missed;
    for (int page = 0; page < maxPages; ++page) {
        QList<Message> messages;
        try {
            messages = co_await chat->getMessages(conversationId, pageSize, page * pageSize);
        } catch (const std::exception& error) {
            qWarning().noquote() << "[Chat] Catching up failed:" << errorDescription(error);
            break;
        }
        if (!self)
            co_return;
        missed += messages;
        const bool reached = std::any_of(messages.cbegin(), messages.cend(),
                                         [&listed](const Message& message) { return listed.contains(message.id); });
        if (reached || messages.size() < pageSize)
            break;
    }
    if (!self || generation != m_messages.generation() || missed.isEmpty())
        co_return;
    std::reverse(missed.begin(), missed.end());
    merge(missed);
}

void ChatCatchUp::merge(const QList<Message>& chronological)
{
    bool changed = false;
    QList<Message> missed;
    QSet<qint64> seen;
    for (Message message : chronological) {
        if (message.senderId == m_currentUserId && !message.status)
            message.status = QStringLiteral("sent");
        if (seen.contains(message.id) || m_messages.indexOf(message.id) >= 0)
            continue;
        seen.insert(message.id);
        // Stored although its acknowledgement never came: the server's copy takes its place.
        if (message.clientMessageId && message.senderId == m_currentUserId) {
            const qsizetype unconfirmed = m_messages.indexOfClientId(*message.clientMessageId);
            if (unconfirmed >= 0 && m_messages.at(unconfirmed).id < 0) {
                m_sender.settledByServer(*message.clientMessageId);
                m_messages.edit(unconfirmed) = message;
                changed = true;
                continue;
            }
        }
        missed.append(std::move(message));
    }
    if (changed)
        m_messages.publishChanges();
    if (missed.isEmpty())
        return;

    // Each goes before the first newer message listed, or after all of them but above
    // this user's messages still on their way. Messages bound for the same place go
    // in together, the last place first so that the places found stay right.
    std::stable_sort(missed.begin(), missed.end(), [](const Message& a, const Message& b) { return a.id < b.id; });
    struct Run {
        qsizetype at;
        QList<Message> messages;
    };
    QList<Run> runs;
    bool fromOthers = false;
    qsizetype at = 0;
    for (Message& message : missed) {
        while (at < m_messages.size() && m_messages.at(at).id <= message.id)
            ++at;
        qsizetype place = at;
        if (place == m_messages.size()) {
            while (place > 0 && m_messages.at(place - 1).id < 0)
                --place;
        }
        fromOthers = fromOthers || message.senderId != m_currentUserId;
        if (runs.isEmpty() || runs.last().at != place)
            runs.append(Run { place, {} });
        runs.last().messages.append(std::move(message));
    }
    for (auto run = runs.rbegin(); run != runs.rend(); ++run)
        m_messages.insert(run->at, std::move(run->messages));
    if (fromOthers)
        Q_EMIT othersArrived();
}
