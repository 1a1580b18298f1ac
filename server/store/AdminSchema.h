#pragma once

// The schema step of administration and customer service: banned accounts, dissolved
// groups, messages deleted by an administrator, sensitive words, the system
// configuration and customer-service sessions. One entry of the migration list in
// Database.cpp.

#include <QStringList>

QStringList adminSchema();
