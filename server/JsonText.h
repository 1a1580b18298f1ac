#pragma once

// JSON written straight into bytes, for the long lists (a conversation list of hundreds
// of rows): building each row as a QJsonObject and encoding the whole document after
// cost more than reading the rows. Compact, and keys in the order written; readers of
// JSON do not care for the order.
//
// Values are written one after the other; objects are opened and closed by the caller,
// keys precede their values. Nothing checks that the calls make a
// well-formed document: keep the writing code small and next to its reader's record.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QLatin1StringView>
#include <QString>
#include <QVariant>

class JsonText {
public:
    JsonText& beginObject();
    JsonText& endObject();
    JsonText& key(QLatin1StringView name);

    JsonText& value(const QString& text);
    JsonText& value(qint64 number);
    JsonText& value(bool flag);
    JsonText& value(const QJsonArray& array);
    // A value already written as JSON (another JsonText's bytes).
    JsonText& raw(const QByteArray& json);

    QByteArray take() { return std::move(m_out); }

private:
    // A comma before every value, key or opening after the first of its object.
    void separate();

    QByteArray m_out;
    bool m_afterValue = false;
};

// The same record written into a QJsonObject or straight into JSON text, by one piece of
// code: a record writes itself into either through these two, which share their members.
class JsonObjectOut {
public:
    explicit JsonObjectOut(QJsonObject& object)
        : m_object(object)
    {
    }

    void insert(QLatin1StringView key, const QString& text) { m_object.insert(key, text); }
    void insert(QLatin1StringView key, qint64 number) { m_object.insert(key, number); }
    void insert(QLatin1StringView key, bool flag) { m_object.insert(key, flag); }
    void insert(QLatin1StringView key, const QJsonArray& array) { m_object.insert(key, array); }
    // Optional columns: nothing at all for NULL.
    void insertText(QLatin1StringView key, const QVariant& column);
    void insertInteger(QLatin1StringView key, const QVariant& column);
    template <typename Fill>
    void insertObject(QLatin1StringView key, const Fill& fill)
    {
        QJsonObject inner;
        JsonObjectOut out(inner);
        fill(out);
        m_object.insert(key, inner);
    }

private:
    QJsonObject& m_object;
};

class JsonTextObjectOut {
public:
    // Writes the members of an object the caller has opened.
    explicit JsonTextObjectOut(JsonText& text)
        : m_text(text)
    {
    }

    void insert(QLatin1StringView key, const QString& text) { m_text.key(key).value(text); }
    void insert(QLatin1StringView key, qint64 number) { m_text.key(key).value(number); }
    void insert(QLatin1StringView key, bool flag) { m_text.key(key).value(flag); }
    void insert(QLatin1StringView key, const QJsonArray& array) { m_text.key(key).value(array); }
    void insertText(QLatin1StringView key, const QVariant& column);
    void insertInteger(QLatin1StringView key, const QVariant& column);
    template <typename Fill>
    void insertObject(QLatin1StringView key, const Fill& fill)
    {
        m_text.key(key).beginObject();
        fill(*this);
        m_text.endObject();
    }

private:
    JsonText& m_text;
};
