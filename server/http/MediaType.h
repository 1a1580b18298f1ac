#pragma once

// Media types as HTTP writes them: type "/" subtype, each of token characters, then
// parameters (";" name "=" token or quoted text, spaces around them allowed) and
// nothing after. No control character passes, so a type that passes can stand in a
// header line as it is.

#include <QStringView>

namespace mediatype {

constexpr qsizetype kMaxLength = 255;

bool isValid(QStringView text);

} // namespace mediatype
