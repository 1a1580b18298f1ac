#pragma once

#include "views/common/RowAction.h"

#include <QList>
#include <QString>

// What a screen reader hears of a row's buttons: every label, in order, the ones
// that cannot run now marked as such ("Ban (unavailable), Role").
QString describeActions(const QList<RowAction>& actions);
