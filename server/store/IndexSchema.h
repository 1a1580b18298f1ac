#pragma once

// The schema step of what the database keeps current by itself, so that reads cost the
// same however much a user has written: each member's unread count and read receipt,
// and the two indexes of message texts (trigrams; character pairs for shorter keys).
// Triggers do the keeping, so every connection that writes (the event loop's and the
// message writer's) keeps them alike; the step fills them once for a database made
// before it. One entry of the migration list in Database.cpp; the step after it
// (SendPathSchema.h) took the per-message writes off the sends again.

#include <QStringList>

QStringList indexSchema();
