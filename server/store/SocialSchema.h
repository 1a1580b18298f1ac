#pragma once

// The schema step that adds friend requests, reports, group roles, moments,
// favourites, the gift and VIP catalogue, two-factor secrets and the device of each
// session. One entry of the migration list in Database.cpp.

#include <QStringList>

QStringList socialSchema();
