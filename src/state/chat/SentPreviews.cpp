#include "state/chat/SentPreviews.h"

#include <utility>

void SentPreviews::sent(Conversation& row, const std::optional<QString>& clientMsgId, const QString& preview,
                        const std::optional<QString>& createdAt)
{
    const Sent sent { clientMsgId.value_or(QString()), preview, createdAt, std::nullopt, false, std::nullopt };
    show(row, sent);
    if (clientMsgId)
        m_sent.insert(row.id, sent);
    else
        m_sent.remove(row.id);
}

std::optional<qint64> SentPreviews::conversationOf(const QString& clientMsgId) const
{
    for (auto sent = m_sent.cbegin(); sent != m_sent.cend(); ++sent) {
        if (sent->clientMsgId == clientMsgId)
            return sent.key();
    }
    return std::nullopt;
}

bool SentPreviews::acknowledged(Conversation& row, qint64 messageId)
{
    const auto sent = m_sent.find(row.id);
    if (sent == m_sent.end())
        return false;
    sent->messageId = messageId;
    sent->failed = false;
    const std::optional<Conversation> listedUnder = std::exchange(sent->listedUnder, std::nullopt);
    if (listedUnder && listedUnder->lastMessageId > messageId) {
        // Stored before what a reload listed meanwhile: that one is the newest.
        row.lastMessage = listedUnder->lastMessage;
        row.lastMessageTime = listedUnder->lastMessageTime;
        row.lastMessageId = listedUnder->lastMessageId;
        row.lastMessageNotice = listedUnder->lastMessageNotice;
        row.revokedPreview = listedUnder->revokedPreview;
        row.lastMessageFailed = false;
        m_sent.erase(sent);
        return true;
    }
    if (row.lastMessageId > messageId) {
        // A newer message came since.
        m_sent.erase(sent);
        return false;
    }
    show(row, *sent);
    return true;
}

bool SentPreviews::failed(Conversation& row)
{
    const auto sent = m_sent.find(row.id);
    if (sent == m_sent.end())
        return false;
    // Only a row that shows the message (no newer one came) says it failed.
    if (row.lastMessageId) {
        m_sent.erase(sent);
        return false;
    }
    sent->failed = true;
    row.lastMessageFailed = true;
    return true;
}

bool SentPreviews::discarded(qint64 conversationId, const QString& clientMsgId)
{
    const auto sent = m_sent.constFind(conversationId);
    if (sent == m_sent.cend() || sent->clientMsgId != clientMsgId)
        return false;
    m_sent.erase(sent);
    return true;
}

bool SentPreviews::isShownAs(qint64 conversationId, qint64 messageId) const
{
    const auto sent = m_sent.constFind(conversationId);
    return sent != m_sent.cend() && sent->messageId == messageId;
}

void SentPreviews::overtaken(qint64 conversationId)
{
    const auto sent = m_sent.constFind(conversationId);
    if (sent != m_sent.cend() && (sent->messageId || sent->failed))
        m_sent.erase(sent);
}

bool SentPreviews::applyTo(QList<Conversation>& rows)
{
    QHash<qint64, Conversation*> byId;
    for (Conversation& row : rows)
        byId.insert(row.id, &row);
    bool changed = false;
    for (auto sent = m_sent.begin(); sent != m_sent.end();) {
        Conversation* row = byId.value(sent.key());
        // Failed messages are not the server's; confirmed ones it lists are current.
        if (!row || sent->failed || (sent->messageId && row->lastMessageId >= sent->messageId)) {
            sent = m_sent.erase(sent);
            continue;
        }
        // Still on its way: the server stores it after whatever it listed now.
        if (!sent->messageId)
            sent->listedUnder = *row;
        show(*row, *sent);
        changed = true;
        ++sent;
    }
    return changed;
}

void SentPreviews::show(Conversation& row, const Sent& sent)
{
    row.lastMessage = sent.preview;
    row.lastMessageTime = sent.createdAt;
    row.lastMessageId = sent.messageId;
    row.lastMessageNotice.reset();
    row.revokedPreview.reset();
    row.lastMessageFailed = false;
}
