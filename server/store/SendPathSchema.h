#pragma once

// The schema step after indexSchema() that takes every per-message write off the path of
// a send. The two text indexes move to a file of their own, written by a thread of its
// own (see TextIndex); left here is a queue of the texts that changed or went after the
// index may have taken them. Unread counts are no longer raised by a trigger per message
// and member: the kept counts take in the messages up to a mark of their own, the rest is
// counted when read (see UnreadCounts), and the triggers that keep them as marks move,
// members join and messages go count only up to that mark. One entry of the migration
// list in Database.cpp.

#include <QStringList>

QStringList sendPathSchema();
