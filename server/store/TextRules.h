#pragma once

// Checks for the free text users send (names, comments, reasons): trimmed, bounded,
// no control characters. Failures are ServerError 400 naming the field.

#include "texts/Text.h"

#include <QString>

#include <optional>

namespace textrules {

// Trimmed text of 1 to maxLength characters; line breaks and tabs only when multiline.
QString required(const QString& raw, int maxLength, Text what, bool multiline = false);
// Refuses NUL and every other control character; when multiline, tab, line feed and
// carriage return pass.
void requireNoControls(QStringView text, Text what, bool multiline = false);
// Like required(), but absent or blank text gives nothing.
std::optional<QString> optional(const std::optional<QString>& raw, int maxLength, Text what, bool multiline = false);
// Addresses shown to other users: http(s) addresses or paths on this server.
void checkAddress(const QString& address, Text what);

} // namespace textrules
