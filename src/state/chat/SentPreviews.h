#pragma once

#include "models/Conversation.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The newest message this user sent from here in each conversation, for as long as
// the server's list of conversations may not show it yet. A reload that comes
// before the server stored it shows it all the same; its acknowledgement (a late
// one too) shows it as sent, unless a newer message took the row meanwhile; a
// failure marks the row while the row shows it.
class SentPreviews {
public:
    // The row shows the message just sent; one without a client message id is not followed.
    void sent(Conversation& row, const std::optional<QString>& clientMsgId, const QString& preview,
              const std::optional<QString>& createdAt);
    // The conversation whose newest sent message has this client message id.
    std::optional<qint64> conversationOf(const QString& clientMsgId) const;
    // Each returns whether the row changed.
    bool acknowledged(Conversation& row, qint64 messageId);
    bool failed(Conversation& row);
    // A failed message thrown away: whether it was the one the row showed.
    bool discarded(qint64 conversationId, const QString& clientMsgId);
    // The message with this server id is the one the row shows as sent.
    bool isShownAs(qint64 conversationId, qint64 messageId) const;
    // A newer message took the row: only a message still on its way may still turn out newer.
    void overtaken(qint64 conversationId);
    // After a load: rows whose sent message the server did not list yet show it.
    // Returns whether any did.
    bool applyTo(QList<Conversation>& rows);

private:
    struct Sent {
        QString clientMsgId;
        QString preview;
        std::optional<QString> createdAt;
        // Once acknowledged.
        std::optional<qint64> messageId;
        bool failed = false;
        // What a reload listed under it while it was on its way: shown again if
        // the acknowledgement finds it older than that.
        std::optional<Conversation> listedUnder;
    };
    static void show(Conversation& row, const Sent& sent);

    QHash<qint64, Sent> m_sent;
};
