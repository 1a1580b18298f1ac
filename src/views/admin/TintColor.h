#pragma once

#include "state/Tint.h"

#include <QColor>

// The colour the consoles paint for each named tint.
QColor tintColor(Tint tint);
