#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Internet date-times (ISO 8601 with "T", seconds and a zone, optionally a fraction
// of a second) as the server and the client write them. Qt's own ISO parsing also
// takes a bare date or a time without zone, which these screens must not show.
namespace DateTimeText {

std::optional<QDateTime> parseInternet(const QString& text);

} // namespace DateTimeText
