#pragma once

// The schema step after indexSchema() that takes every per-message write off the path of
// a send: the two text indexes move to a file of their own, written by a thread of its
// own (see TextIndex), and unread counts are counted when they are read (through an
// index of each conversation's messages that holds everything the count looks at)
// instead of being kept in the members' rows by triggers. What is left here: a queue of
// the texts that changed or went after the index may have taken them. One entry of the
// migration list in Database.cpp.

#include <QStringList>

QStringList indexFileSchema();
