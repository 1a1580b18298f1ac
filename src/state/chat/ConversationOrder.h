#pragma once

#include "models/Conversation.h"

#include <QList>
#include <QString>

#include <optional>

// The order of the conversation list: pinned first, then newest activity first;
// conversations without a time last; ties keep their previous order.
namespace conversationOrder {

// The text a last-message time is compared by. A valid internet date-time
// ("2025-03-01T08:15:00+08:00") becomes its instant as fixed-width UTC text, so
// times written with different offsets or precision still compare as instants;
// anything else is compared as written, and an absent time as the empty text.
// Mapping each time to one key (rather than comparing pairs case by case) keeps
// the order transitive, which the sort needs.
QString timeKey(const std::optional<QString>& time);

void sort(QList<Conversation>& conversations);

} // namespace conversationOrder
