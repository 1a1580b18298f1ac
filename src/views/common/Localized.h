#pragma once

#include <QString>

class QKeySequence;

// Looks a key up in the string table of the language in force. Screens call it each
// time they (re)build a text, so a language switch shows at their next redraw.
namespace Localized {

QString text(const QString& key);
inline QString text(const char* key) { return text(QString::fromLatin1(key)); }
// The tooltip of a control with a shortcut: what it does, then its keys, "Search (Ctrl+F)".
QString withShortcut(const QString& action, const QKeySequence& keys);

} // namespace Localized
