#pragma once

#include "models/Json.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// What became of decoding a text: the record, or the error's kind and key path.
template <typename T>
struct Decoded {
    std::optional<T> value;
    int kind = -1; // a json::DecodeError::Kind, -1 when the text decoded
    QString path;
};

template <typename T>
Decoded<T> decodeText(const QByteArray& text)
{
    Decoded<T> out;
    try {
        out.value = json::decode<T>(text);
    } catch (const json::DecodeError& e) {
        out.kind = int(e.kind());
        out.path = e.path();
    }
    return out;
}

inline QJsonObject objectOf(const QByteArray& text)
{
    return json::parse(text).toObject();
}

template <typename T>
QJsonObject encodedObject(const T& record)
{
    return json::encode(record).toObject();
}

constexpr int decodes = -1;
constexpr int keyNotFound = int(json::DecodeError::Kind::KeyNotFound);
constexpr int valueNotFound = int(json::DecodeError::Kind::ValueNotFound);
constexpr int typeMismatch = int(json::DecodeError::Kind::TypeMismatch);
