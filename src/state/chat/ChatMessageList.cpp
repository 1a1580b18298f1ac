#include "state/chat/ChatMessageList.h"

#include <algorithm>
#include <utility>

qsizetype ChatMessageList::indexOf(qint64 id) const
{
    for (qsizetype i = 0; i < m_messages.size(); ++i) {
        if (m_messages.at(i).id == id)
            return i;
    }
    return -1;
}

qsizetype ChatMessageList::indexOfClientId(const QString& clientMsgId) const
{
    for (qsizetype i = 0; i < m_messages.size(); ++i) {
        if (m_messages.at(i).clientMessageId == clientMsgId)
            return i;
    }
    return -1;
}

qsizetype ChatMessageList::countOnServer() const
{
    return std::count_if(m_messages.cbegin(), m_messages.cend(), [](const Message& message) { return message.id > 0; });
}

void ChatMessageList::replaceAll(QList<Message> messages)
{
    m_messages = std::move(messages);
    ++m_generation;
    Q_EMIT changed();
}

void ChatMessageList::append(Message message)
{
    m_messages.append(std::move(message));
    Q_EMIT changed();
}

void ChatMessageList::insert(qsizetype at, QList<Message> chronological)
{
    const qsizetype count = chronological.size();
    if (count == 0)
        return;
    Q_EMIT aboutToBeInserted(at, count);
    // In place: the listed messages are neither copied nor compared again.
    m_messages.insert(at, count, Message {});
    std::move(chronological.begin(), chronological.end(), m_messages.begin() + at);
    Q_EMIT inserted(at, count);
}

void ChatMessageList::removeAt(qsizetype index)
{
    Q_EMIT aboutToBeRemoved(index, 1);
    m_messages.removeAt(index);
    Q_EMIT removed(index, 1);
}
