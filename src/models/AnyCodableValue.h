#pragma once

#include "models/Json.h"

#include <QList>
#include <QMap>
#include <QString>

#include <variant>

// A JSON value of any shape, for payload fields the client carries without
// interpreting them.
class AnyCodableValue {
public:
    using Dict = QMap<QString, AnyCodableValue>;
    using Array = QList<AnyCodableValue>;
    enum class Kind { String, Int, Double, Bool, Dict, Array, Null };

    AnyCodableValue() = default; // null
    explicit AnyCodableValue(QString value) : m_value(std::move(value)) { }
    explicit AnyCodableValue(qint64 value) : m_value(value) { }
    explicit AnyCodableValue(double value) : m_value(value) { }
    explicit AnyCodableValue(bool value) : m_value(value) { }
    explicit AnyCodableValue(Dict value) : m_value(std::move(value)) { }
    explicit AnyCodableValue(Array value) : m_value(std::move(value)) { }

    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // The held value when the kind matches, otherwise nullptr.
    const QString* string() const { return std::get_if<QString>(&m_value); }
    const qint64* integer() const { return std::get_if<qint64>(&m_value); }
    const double* number() const { return std::get_if<double>(&m_value); }
    const bool* boolean() const { return std::get_if<bool>(&m_value); }
    const Dict* dict() const { return std::get_if<Dict>(&m_value); }
    const Array* array() const { return std::get_if<Array>(&m_value); }

    // Tries string, integer, floating point, boolean, object and array in turn and
    // takes the first that fits; anything else is null. Never fails.
    static AnyCodableValue fromJson(const QJsonValue& value);
    QJsonValue toJson() const;

private:
    // Alternatives in the order of Kind.
    std::variant<QString, qint64, double, bool, Dict, Array, std::monostate> m_value { std::monostate {} };
};

namespace json {

template <>
struct Codec<AnyCodableValue> {
    static AnyCodableValue read(const QJsonValue& v, const Path&) { return AnyCodableValue::fromJson(v); }
    static QJsonValue write(const AnyCodableValue& v) { return v.toJson(); }
};

// An object whose every value is an AnyCodableValue.
template <>
struct Codec<AnyCodableValue::Dict> {
    static AnyCodableValue::Dict read(const QJsonValue& v, const Path& at);
    static QJsonValue write(const AnyCodableValue::Dict& dict);
};

} // namespace json
