#pragma once

#include <QString>

// Reads a role colour text such as "#4A90D9" the way the role palette needs it.
// Never fails: "#" is dropped from both ends, leading blanks and a "0x" prefix are
// allowed, digits are read up to the first other character (a number beyond 64
// bits reads as all ones), and the low 24 bits are red, green and blue. A text
// without digits gives black; three digits are not expanded.
namespace HexColor {

// 0xRRGGBB.
quint32 rgb(const QString& text);

} // namespace HexColor
