#pragma once

#include <QColor>

// The named colours screens use for meaning: a state that is on, a destructive
// action, the kinds of a file.
namespace SystemColors {

inline QColor green() { return QColor(0x34, 0xc7, 0x59); }
inline QColor red() { return QColor(0xff, 0x3b, 0x30); }
inline QColor orange() { return QColor(0xff, 0x95, 0x00); }
inline QColor purple() { return QColor(0xaf, 0x52, 0xde); }
inline QColor blue() { return QColor(0x00, 0x7a, 0xff); }

} // namespace SystemColors
