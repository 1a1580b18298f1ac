#pragma once

// Small helpers for turning SQL rows into the client's records: optional keys are
// left out when the column is NULL, never written as null.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariant>

namespace rowjson {

inline void putText(QJsonObject& object, QLatin1StringView key, const QVariant& value)
{
    if (!value.isNull())
        object.insert(key, value.toString());
}

inline void putInteger(QJsonObject& object, QLatin1StringView key, const QVariant& value)
{
    if (!value.isNull())
        object.insert(key, value.toLongLong());
}

// A JSON array kept in a TEXT column; anything else reads as an empty array.
inline QJsonArray arrayColumn(const QVariant& value)
{
    const QJsonDocument document = QJsonDocument::fromJson(value.toByteArray());
    return document.isArray() ? document.array() : QJsonArray();
}

inline QString arrayText(const QJsonArray& array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

inline QVariant orNull(const std::optional<QString>& value)
{
    return value ? QVariant(*value) : QVariant();
}

} // namespace rowjson
