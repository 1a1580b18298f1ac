#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// Strict readers of notification user info: a value of another type counts as
// missing. No conversions: a text "12" is not an integer, a flag is not a number
// and a number is not a flag.
namespace userInfo {

std::optional<qint64> integer(const QVariantMap& info, const QString& key);
std::optional<QString> text(const QVariantMap& info, const QString& key);
std::optional<bool> flag(const QVariantMap& info, const QString& key);

// A value-type record stored with QVariant::fromValue<T>().
template <typename T>
std::optional<T> record(const QVariantMap& info, const QString& key)
{
    const QVariant value = info.value(key);
    if (value.metaType() != QMetaType::fromType<T>())
        return std::nullopt;
    return value.value<T>();
}

} // namespace userInfo
