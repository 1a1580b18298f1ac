#pragma once

// One strict JSON reading and writing layer for every record the client exchanges
// with the server. Failures name their kind and the key path, so a decoding error
// can say exactly which field of which element was wrong.
//
// A record type T takes part by offering
//     static T read(const json::Reader& reader);
//     void write(json::Writer& writer) const;
// and is then decoded with json::decode<T>(value) and encoded with json::encode(record).
// A record that is only ever read (a nested object standing in for flat keys, a
// server's answer) offers read alone.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <concepts>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

namespace json {

class DecodeError : public std::exception {
public:
    enum class Kind { KeyNotFound, ValueNotFound, TypeMismatch, DataCorrupted };

    DecodeError(Kind kind, QString path, QString detail);

    Kind kind() const { return m_kind; }
    // Dotted key path with [index] for list elements, e.g. "messages[3].sender.name".
    QString path() const { return m_path; }
    QString detail() const { return m_detail; }
    // "type mismatch at user.openId: expected a string"
    QString description() const;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    Kind m_kind;
    QString m_path;
    QString m_detail;
    QByteArray m_what;
};

// A position in the document being read; kept on the stack and turned into text
// only when a read fails, so successful reads pay nothing for error reporting.
struct Path {
    const Path* parent = nullptr;
    QLatin1StringView key {};
    qsizetype index = -1;

    Path child(QLatin1StringView childKey) const { return Path { this, childKey, -1 }; }
    Path element(qsizetype i) const { return Path { this, {}, i }; }
    QString toString() const;
    [[noreturn]] void fail(DecodeError::Kind kind, const QString& detail) const;
};

// Parses any JSON text (object, array or a bare scalar) after checking that the
// bytes are UTF-8, skipping one leading byte-order mark. Text with an escaped lone
// surrogate is refused. Throws DecodeError of kind DataCorrupted.
QJsonValue parse(const QByteArray& bytes);
QByteArray serialize(const QJsonValue& value);
QByteArray serialize(const QJsonObject& object);

// The integer a JSON number stands for, when it is integral and fits 64 bits ("5" and
// "5.0" do, "4.5" and 2^64 do not); never for a non-number.
std::optional<qint64> integerValue(const QJsonValue& value);
std::optional<qint64> integerValue(QJsonValueConstRef value);

template <typename T>
struct Codec;

// Writing is asked of a record only where one is encoded.
template <typename T>
concept Record = requires(const class Reader& reader) {
    { T::read(reader) } -> std::same_as<T>;
};

namespace detail {

struct KeyLayout;

// Searching a QJsonObject for a key costs far more than taking a value at a known
// position, and the objects of one record type nearly always come in a handful of
// key layouts. So each record type keeps the layouts it met last: an object whose
// keys match one exactly, in order, is read by position.
//
// Each thread has its own layouts for each record type, so nothing here is shared
// between threads and no count needs to be atomic.
class KeyLayouts {
public:
    KeyLayouts();
    ~KeyLayouts();
    KeyLayouts(const KeyLayouts&) = delete;
    KeyLayouts& operator=(const KeyLayouts&) = delete;

    // The remembered layout of exactly these keys, learnt when it is new. It stays
    // valid until the matching leave(): a record that nests its own type reads its
    // children while its own reader still holds a layout that they may push out.
    KeyLayout* enter(const QJsonObject& object);
    // One more holder of a layout already entered.
    void enterAgain() { ++m_holders; }
    void leave();

private:
    KeyLayout* match(const QJsonObject& object);

    std::vector<std::unique_ptr<KeyLayout>> m_layouts;
    // Layouts pushed out while held, freed when no reader holds any.
    std::vector<std::unique_ptr<KeyLayout>> m_retired;
    std::size_t m_next = 0;
    int m_holders = 0;
};

} // namespace detail

class Reader {
public:
    // Throws TypeMismatch unless value is an object.
    Reader(const QJsonValue& value, const Path& path);
    // As above; keys are found through the layouts of the record type being read.
    Reader(const QJsonValue& value, const Path& path, detail::KeyLayouts& layouts);
    Reader(QJsonValueConstRef value, const Path& path, detail::KeyLayouts& layouts);
    Reader(const Reader& other);
    Reader& operator=(const Reader&) = delete;
    ~Reader();

    const QJsonObject& object() const { return m_object; }
    const Path& path() const { return m_path; }
    bool contains(QLatin1StringView key) const { return find(key) != m_object.constEnd(); }
    // Undefined when the key is missing.
    QJsonValue value(QLatin1StringView key) const;

    // Missing key: KeyNotFound; null: ValueNotFound; wrong JSON type: TypeMismatch.
    template <typename T>
    T required(QLatin1StringView key) const
    {
        const QJsonObject::const_iterator it = find(key);
        const Path at = m_path.child(key);
        if (it == m_object.constEnd())
            at.fail(DecodeError::Kind::KeyNotFound, QStringLiteral("required key is missing"));
        const QJsonValueConstRef v = *it;
        if (v.isNull())
            at.fail(DecodeError::Kind::ValueNotFound, QStringLiteral("required value is null"));
        return Codec<T>::read(v, at);
    }

    // Missing or null: absent; wrong JSON type: TypeMismatch.
    template <typename T>
    std::optional<T> optional(QLatin1StringView key) const
    {
        const QJsonObject::const_iterator it = find(key);
        if (it == m_object.constEnd())
            return std::nullopt;
        const QJsonValueConstRef v = *it;
        if (v.isNull())
            return std::nullopt;
        return Codec<T>::read(v, m_path.child(key));
    }

    // Like optional(), but a value that does not read is treated as absent.
    template <typename T>
    std::optional<T> lenient(QLatin1StringView key) const
    {
        try {
            return optional<T>(key);
        } catch (const DecodeError&) {
            return std::nullopt;
        }
    }

    // A nested object that stands in for flat keys of the same record: it is taken
    // when it reads, and when it is missing, null or unreadable its failure is
    // dropped so that the caller falls back to the flat keys.
    template <typename T>
    std::optional<T> nested(QLatin1StringView key) const
    {
        return lenient<T>(key);
    }

    [[noreturn]] void fail(DecodeError::Kind kind, const QString& detail) const { m_path.fail(kind, detail); }

private:
    Reader(QJsonObject object, const Path& path, detail::KeyLayouts* layouts);
    // Values are read where they lie in the object (a QJsonValue made of each would
    // take and drop a reference to the document for every string).
    QJsonObject::const_iterator find(QLatin1StringView key) const;

    QJsonObject m_object;
    Path m_path;
    detail::KeyLayouts* m_layouts = nullptr;
    detail::KeyLayout* m_layout = nullptr;
    mutable qsizetype m_lookups = 0;
};

class Writer {
public:
    template <typename T>
    void required(QLatin1StringView key, const T& value)
    {
        m_object.insert(key, Codec<T>::write(value));
    }

    // Absent optionals write no key at all, never null.
    template <typename T>
    void optional(QLatin1StringView key, const std::optional<T>& value)
    {
        if (value)
            m_object.insert(key, Codec<T>::write(*value));
    }

    void raw(QLatin1StringView key, const QJsonValue& value) { m_object.insert(key, value); }

    const QJsonObject& object() const { return m_object; }
    QJsonObject take() { return std::move(m_object); }

private:
    QJsonObject m_object;
};

template <typename T>
T decode(const QJsonValue& value, const Path& path = {})
{
    return Codec<T>::read(value, path);
}

template <typename T>
T decode(const QByteArray& bytes)
{
    return Codec<T>::read(parse(bytes), Path {});
}

template <typename T>
QJsonValue encode(const T& value)
{
    return Codec<T>::write(value);
}

// ---- codecs ----

template <>
struct Codec<qint64> {
    // Accepts integral numbers only ("5" and "5.0"); 64-bit values are exact.
    static qint64 read(const QJsonValue& v, const Path& at);
    static qint64 read(QJsonValueConstRef v, const Path& at);
    static QJsonValue write(qint64 v) { return QJsonValue(v); }
};

template <>
struct Codec<int> {
    static int read(const QJsonValue& v, const Path& at);
    static int read(QJsonValueConstRef v, const Path& at);
    static QJsonValue write(int v) { return QJsonValue(v); }
};

template <>
struct Codec<double> {
    static double read(const QJsonValue& v, const Path& at);
    static double read(QJsonValueConstRef v, const Path& at);
    static QJsonValue write(double v) { return QJsonValue(v); }
};

template <>
struct Codec<bool> {
    // Booleans never accept numbers or strings.
    static bool read(const QJsonValue& v, const Path& at);
    static bool read(QJsonValueConstRef v, const Path& at);
    static QJsonValue write(bool v) { return QJsonValue(v); }
};

template <>
struct Codec<QString> {
    static QString read(const QJsonValue& v, const Path& at);
    static QString read(QJsonValueConstRef v, const Path& at);
    static QJsonValue write(const QString& v) { return QJsonValue(v); }
};

template <>
struct Codec<QJsonObject> {
    static QJsonObject read(const QJsonValue& v, const Path& at);
    static QJsonObject read(QJsonValueConstRef v, const Path& at);
    static QJsonValue write(const QJsonObject& v) { return QJsonValue(v); }
};

// Any JSON value, null included, taken as it stands.
template <>
struct Codec<QJsonValue> {
    static QJsonValue read(const QJsonValue& v, const Path&) { return v; }
    static QJsonValue write(const QJsonValue& v) { return v; }
};

template <typename T>
struct Codec<QList<T>> {
    // One failing element fails the whole list.
    template <typename Value>
    static QList<T> read(const Value& v, const Path& at)
    {
        if (!v.isArray())
            at.fail(DecodeError::Kind::TypeMismatch, QStringLiteral("expected an array"));
        const QJsonArray array = v.toArray();
        QList<T> out;
        out.reserve(array.size());
        qsizetype i = 0;
        for (auto it = array.constBegin(); it != array.constEnd(); ++it) {
            const QJsonValueConstRef element = *it;
            const Path elementPath = at.element(i++);
            if (element.isNull())
                elementPath.fail(DecodeError::Kind::ValueNotFound, QStringLiteral("list element is null"));
            out.append(Codec<T>::read(element, elementPath));
        }
        return out;
    }
    static QJsonValue write(const QList<T>& list)
    {
        QJsonArray array;
        for (const T& element : list)
            array.append(Codec<T>::write(element));
        return array;
    }
};

template <Record T>
struct Codec<T> {
    template <typename Value>
    static T read(const Value& v, const Path& at)
    {
        return T::read(Reader(v, at, layouts()));
    }
    static QJsonValue write(const T& record)
    {
        Writer writer;
        record.write(writer);
        return writer.take();
    }

private:
    static detail::KeyLayouts& layouts()
    {
        static thread_local detail::KeyLayouts known;
        return known;
    }
};

} // namespace json
