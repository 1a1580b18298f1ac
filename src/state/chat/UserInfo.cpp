#include "state/chat/UserInfo.h"

#include <limits>

namespace userInfo {

std::optional<qint64> integer(const QVariantMap& info, const QString& key)
{
    const QVariant value = info.value(key);
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UInt:
        return value.toLongLong();
    case QMetaType::ULongLong: {
        const qulonglong unsignedValue = value.toULongLong();
        if (unsignedValue > qulonglong(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(unsignedValue);
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> text(const QVariantMap& info, const QString& key)
{
    const QVariant value = info.value(key);
    if (value.metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    return value.toString();
}

std::optional<bool> flag(const QVariantMap& info, const QString& key)
{
    const QVariant value = info.value(key);
    if (value.metaType() != QMetaType::fromType<bool>())
        return std::nullopt;
    return value.toBool();
}

} // namespace userInfo
