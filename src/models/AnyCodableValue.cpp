#include "models/AnyCodableValue.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

AnyCodableValue::Dict dictFrom(const QJsonObject& object)
{
    AnyCodableValue::Dict dict;
    for (auto it = object.begin(); it != object.end(); ++it)
        dict.insert(it.key(), AnyCodableValue::fromJson(it.value()));
    return dict;
}

QJsonObject objectFrom(const AnyCodableValue::Dict& dict)
{
    QJsonObject object;
    for (auto it = dict.begin(); it != dict.end(); ++it)
        object.insert(it.key(), it.value().toJson());
    return object;
}

} // namespace

AnyCodableValue AnyCodableValue::fromJson(const QJsonValue& value)
{
    if (value.isString())
        return AnyCodableValue(value.toString());
    if (const std::optional<qint64> n = json::integerValue(value))
        return AnyCodableValue(*n);
    if (value.isDouble())
        return AnyCodableValue(value.toDouble());
    if (value.isBool())
        return AnyCodableValue(value.toBool());
    if (value.isObject())
        return AnyCodableValue(dictFrom(value.toObject()));
    if (value.isArray()) {
        const QJsonArray source = value.toArray();
        Array array;
        array.reserve(source.size());
        for (const QJsonValue& element : source)
            array.append(fromJson(element));
        return AnyCodableValue(std::move(array));
    }
    return AnyCodableValue();
}

QJsonValue AnyCodableValue::toJson() const
{
    switch (kind()) {
    case Kind::String:
        return *string();
    case Kind::Int:
        return *integer();
    case Kind::Double:
        return *number();
    case Kind::Bool:
        return *boolean();
    case Kind::Dict:
        return objectFrom(*dict());
    case Kind::Array: {
        QJsonArray out;
        for (const AnyCodableValue& element : *array())
            out.append(element.toJson());
        return out;
    }
    case Kind::Null:
        break;
    }
    return QJsonValue(QJsonValue::Null);
}

namespace json {

AnyCodableValue::Dict Codec<AnyCodableValue::Dict>::read(const QJsonValue& v, const Path& at)
{
    return dictFrom(Codec<QJsonObject>::read(v, at));
}

QJsonValue Codec<AnyCodableValue::Dict>::write(const AnyCodableValue::Dict& dict)
{
    return objectFrom(dict);
}

} // namespace json
