#pragma once

#include "state/admin/Tint.h"

#include <QColor>

// The colour the consoles paint for each named tint.
QColor tintColor(Tint tint);
