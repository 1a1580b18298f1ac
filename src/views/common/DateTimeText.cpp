#include "views/common/DateTimeText.h"

#include <QRegularExpression>

namespace DateTimeText {

std::optional<QDateTime> parseInternet(const QString& text)
{
    static const QRegularExpression shape(QStringLiteral(
        "^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}(\\.\\d+)?(Z|[+-]\\d{2}:\\d{2})$"));
    if (!shape.match(text).hasMatch())
        return std::nullopt;
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid())
        return std::nullopt;
    return parsed;
}

} // namespace DateTimeText
