#pragma once

#include "models/Json.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QTest>

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
constexpr int dataCorrupted = int(json::DecodeError::Kind::DataCorrupted);

// A decoding table: the JSON text, then how it fails (error kind and key path), or
// `decodes` and an empty path when it reads.
inline void addDecodeColumns()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("path");
}

// Decodes the current row's text and checks the outcome; the record when it read.
template <typename T>
std::optional<T> decodeRow()
{
    QFETCH(QByteArray, text);
    QFETCH(int, kind);
    QFETCH(QString, path);
    const Decoded<T> result = decodeText<T>(text);
    if (!QTest::qCompare(result.kind, kind, "kind", "expected kind", __FILE__, __LINE__)
        || !QTest::qCompare(result.path, path, "path", "expected path", __FILE__, __LINE__))
        return std::nullopt;
    return result.value;
}
