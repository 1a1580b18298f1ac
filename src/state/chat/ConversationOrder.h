#pragma once

#include "models/Conversation.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The order of the conversation list: pinned first, then newest activity first;
// conversations without a time last; ties keep their previous order. Each
// conversation's time key is worked out when its time is first seen or changes and
// kept, so that a new message costs one key and one row's move, however many
// conversations the list holds.
class ConversationOrder {
public:
    // The text a last-message time is compared by. A valid internet date-time
    // ("2025-03-01T08:15:00+08:00") becomes its instant as fixed-width UTC text, so
    // times written with different offsets or precision still compare as instants;
    // anything else is compared as written, and an absent time as the empty text.
    // Mapping each time to one key (rather than comparing pairs case by case) keeps
    // the order transitive, which the sort needs.
    static QString timeKey(const std::optional<QString>& time);

    // Orders the whole list.
    void sort(QList<Conversation>& conversations);
    // The conversation at row changed: it moves to its place in conversations, a
    // list in this order but for that row (the whole list, or a part of it kept in
    // the same order). Returns its row now.
    qsizetype reposition(QList<Conversation>& conversations, qsizetype row);
    // Moves the row at from to to, the rows between moving up or down one place.
    // Each row moves once (QList::move swaps its way along, three moves a row).
    static void move(QList<Conversation>& conversations, qsizetype from, qsizetype to);

private:
    struct Key {
        bool pinned;
        QString time;
    };
    Key keyOf(const Conversation& conversation);
    static bool precedes(const Key& a, const Key& b);

    struct KnownTime {
        std::optional<QString> written;
        QString key;
    };
    // By conversation id.
    QHash<qint64, KnownTime> m_times;
};
