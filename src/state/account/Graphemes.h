#pragma once

#include <QString>

// Characters as a person sees them (an emoji family or a letter with its accent
// is one), for the screens' length rules and the prefixes of server timestamps.
namespace graphemes {

qsizetype count(const QString& text);
// The first n characters, or the whole text when it is shorter.
QString prefix(const QString& text, qsizetype n);

} // namespace graphemes
