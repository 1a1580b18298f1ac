#include "models/Json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace json {

namespace {

QString kindText(DecodeError::Kind kind)
{
    switch (kind) {
    case DecodeError::Kind::KeyNotFound:
        return QStringLiteral("key not found");
    case DecodeError::Kind::ValueNotFound:
        return QStringLiteral("value not found");
    case DecodeError::Kind::TypeMismatch:
        return QStringLiteral("type mismatch");
    case DecodeError::Kind::DataCorrupted:
        return QStringLiteral("data corrupted");
    }
    return {};
}

bool isJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Qt's parser takes an escaped lone surrogate ("\ud800") into the text as it is;
// such text has no UTF-8 form and would be stored or shown as something else.
// Only an escape "\uD800" to "\uDFFF" can bring a surrogate in (the parser refuses
// one written in UTF-8), so text without any needs no look at its strings: the
// walk below costs a third of the parse, and replies almost never escape.
bool mayEscapeSurrogates(const QByteArray& text)
{
    const auto isSurrogateStart = [](char hi, char lo) {
        return (hi == 'd' || hi == 'D') && ((lo >= '8' && lo <= '9') || (lo >= 'a' && lo <= 'f') || (lo >= 'A' && lo <= 'F'));
    };
    // Backslashes are rare in replies: find each with memchr, which runs through the
    // text many bytes at a time, rather than searching for the two-byte "\\u".
    const char* const end = text.constData() + text.size();
    for (const char* at = text.constData(); end - at >= 4; ++at) {
        at = static_cast<const char*>(std::memchr(at, '\\', std::size_t(end - at - 3)));
        if (!at)
            return false;
        if (at[1] == 'u' && isSurrogateStart(at[2], at[3]))
            return true;
        if (at[1] == '\\')
            ++at; // an escaped backslash: the next one starts no escape
    }
    return false;
}

bool hasOnlyWholeCharacters(const QJsonValue& value)
{
    if (value.isString())
        return value.toString().isValidUtf16();
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::all_of(array.begin(), array.end(), [](const QJsonValue& element) { return hasOnlyWholeCharacters(element); });
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!it.key().isValidUtf16() || !hasOnlyWholeCharacters(it.value()))
                return false;
        }
    }
    return true;
}

// Qt's parser drops a U+FEFF written as such at the start of a string without
// escapes (a key or a text beginning with it would change on its way back), so it is
// written escaped. Outside strings compact JSON is ASCII: the bytes are in a string.
QByteArray withMarksEscaped(QByteArray text)
{
    if (text.contains("\xef\xbb\xbf"))
        text.replace("\xef\xbb\xbf", "\\ufeff");
    return text;
}

} // namespace

DecodeError::DecodeError(Kind kind, QString path, QString detail)
    : m_kind(kind)
    , m_path(std::move(path))
    , m_detail(std::move(detail))
    , m_what(description().toUtf8())
{
}

QString DecodeError::description() const
{
    QString text = kindText(m_kind);
    if (!m_path.isEmpty())
        text += QStringLiteral(" at ") + m_path;
    if (!m_detail.isEmpty())
        text += QStringLiteral(": ") + m_detail;
    return text;
}

QString Path::toString() const
{
    QString tail;
    if (index >= 0)
        tail = QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
    else if (!key.isEmpty())
        tail = key.toString();
    if (!parent)
        return tail;
    const QString head = parent->toString();
    if (head.isEmpty() || index >= 0)
        return head + tail;
    return head + QLatin1Char('.') + tail;
}

void Path::fail(DecodeError::Kind kind, const QString& detail) const
{
    throw DecodeError(kind, toString(), detail);
}

QJsonValue parse(const QByteArray& input)
{
    // A UTF-8 byte-order mark before the text is skipped, as editors and some
    // senders put one there; anywhere else it is a syntax error.
    const QByteArray bytes = input.startsWith("\xef\xbb\xbf") ? input.mid(3) : input;
    // No separate UTF-8 pass: Qt's parser refuses bad UTF-8 inside strings (overlong
    // forms and surrogates included), and any non-ASCII byte outside a string is a
    // syntax error, so every refusal below covers it.
    // QJsonDocument refuses a bare scalar at the top level; a one-element array takes any value.
    const auto first = std::find_if(bytes.cbegin(), bytes.cend(), [](char c) { return !isJsonSpace(c); });
    const bool container = first != bytes.cend() && (*first == '{' || *first == '[');
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(container ? bytes : '[' + bytes + ']', &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodeError(DecodeError::Kind::DataCorrupted, {}, error.errorString());
    QJsonValue value;
    if (doc.isObject()) {
        value = doc.object();
    } else if (!container) {
        // The wrapper must hold exactly one value: "" and "1,2" are not JSON texts.
        const QJsonArray wrapped = doc.array();
        if (wrapped.size() != 1)
            throw DecodeError(DecodeError::Kind::DataCorrupted, {}, QStringLiteral("expected exactly one JSON value"));
        value = wrapped.at(0);
    } else {
        value = doc.array();
    }
    if (mayEscapeSurrogates(bytes) && !hasOnlyWholeCharacters(value))
        throw DecodeError(DecodeError::Kind::DataCorrupted, {}, QStringLiteral("a string holds a lone surrogate"));
    return value;
}

QByteArray serialize(const QJsonValue& value)
{
    if (value.isObject())
        return serialize(value.toObject());
    QByteArray text;
    if (value.isArray()) {
        text = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    } else {
        // A bare scalar: write it as a one-element array and cut the brackets.
        const QByteArray wrapped = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
        text = wrapped.mid(1, wrapped.size() - 2);
    }
    return withMarksEscaped(std::move(text));
}

QByteArray serialize(const QJsonObject& object)
{
    return withMarksEscaped(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

namespace detail {

struct KeyLayout {
    QList<QString> keys; // in the order of the object

    // A record's reading code asks for its keys in the same order every time, so
    // the n-th lookup of a read usually resolves as it did the last time.
    struct Lookup {
        QByteArray key;
        qsizetype index; // -1: not in this layout
    };
    QList<Lookup> lookups;

    qsizetype indexOf(QLatin1StringView key, qsizetype lookup)
    {
        if (lookup < lookups.size()) {
            const Lookup& known = lookups.at(lookup);
            if (known.key.size() == key.size() && std::memcmp(known.key.constData(), key.data(), key.size()) == 0)
                return known.index;
        }
        const qsizetype index = keys.indexOf(key);
        const Lookup resolved { QByteArray(key.data(), key.size()), index };
        if (lookup < lookups.size())
            lookups[lookup] = resolved;
        else if (lookup == lookups.size())
            lookups.append(resolved);
        return index;
    }
};

namespace {

constexpr std::size_t rememberedLayouts = 8;

} // namespace

KeyLayouts::KeyLayouts() = default;
KeyLayouts::~KeyLayouts() = default;

KeyLayout* KeyLayouts::enter(const QJsonObject& object)
{
    KeyLayout* const layout = match(object);
    ++m_holders;
    return layout;
}

KeyLayout* KeyLayouts::match(const QJsonObject& object)
{
    // A key is taken out of the object as a new string. Comparing keys in place
    // (as QCborValue) would cost two atomic reference counts each, which is
    // slower; each key is still taken at most once, however many layouts are tried.
    const qsizetype size = object.size();
    QVarLengthArray<QString, 32> keys;
    const auto keyAt = [&](qsizetype i) -> const QString& {
        while (keys.size() <= i)
            keys.append((object.constBegin() + keys.size()).key());
        return keys[i];
    };
    for (const auto& layout : m_layouts) {
        if (layout->keys.size() != size)
            continue;
        qsizetype i = 0;
        while (i < size && keyAt(i) == layout->keys.at(i))
            ++i;
        if (i == size)
            return layout.get();
    }
    auto layout = std::make_unique<KeyLayout>();
    layout->keys.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        // Copied character by character, so that no key can keep the object's storage.
        const QString& key = keyAt(i);
        layout->keys.append(QString(key.constData(), key.size()));
    }
    KeyLayout* const learnt = layout.get();
    if (m_layouts.size() < rememberedLayouts) {
        m_layouts.push_back(std::move(layout));
    } else {
        m_retired.push_back(std::exchange(m_layouts[m_next], std::move(layout)));
        m_next = (m_next + 1) % rememberedLayouts;
    }
    return learnt;
}

void KeyLayouts::leave()
{
    if (--m_holders == 0)
        m_retired.clear();
}

} // namespace detail

Reader::Reader(QJsonObject object, const Path& path, detail::KeyLayouts* layouts)
    : m_object(std::move(object))
    , m_path(path)
    , m_layouts(layouts)
    , m_layout(layouts ? layouts->enter(m_object) : nullptr)
{
}

Reader::Reader(const Reader& other)
    : m_object(other.m_object)
    , m_path(other.m_path)
    , m_layouts(other.m_layouts)
    , m_layout(other.m_layout)
    , m_lookups(other.m_lookups)
{
    if (m_layouts)
        m_layouts->enterAgain();
}

Reader::~Reader()
{
    if (m_layouts)
        m_layouts->leave();
}

namespace {

template <typename Value>
QJsonObject objectOf(const Value& value, const Path& path)
{
    if (!value.isObject())
        path.fail(DecodeError::Kind::TypeMismatch, QStringLiteral("expected an object"));
    return value.toObject();
}

} // namespace

Reader::Reader(const QJsonValue& value, const Path& path)
    : Reader(objectOf(value, path), path, nullptr)
{
}

Reader::Reader(const QJsonValue& value, const Path& path, detail::KeyLayouts& layouts)
    : Reader(objectOf(value, path), path, &layouts)
{
}

Reader::Reader(QJsonValueConstRef value, const Path& path, detail::KeyLayouts& layouts)
    : Reader(objectOf(value, path), path, &layouts)
{
}

QJsonObject::const_iterator Reader::find(QLatin1StringView key) const
{
    if (!m_layout)
        return m_object.constFind(key);
    const qsizetype index = m_layout->indexOf(key, m_lookups++);
    return index < 0 ? m_object.constEnd() : m_object.constBegin() + index;
}

QJsonValue Reader::value(QLatin1StringView key) const
{
    const QJsonObject::const_iterator it = find(key);
    return it == m_object.constEnd() ? QJsonValue(QJsonValue::Undefined) : QJsonValue(*it);
}

namespace {

template <typename Value>
std::optional<qint64> integerOf(const Value& v)
{
    if (!v.isDouble())
        return std::nullopt;
    constexpr qint64 low = std::numeric_limits<qint64>::min();
    constexpr qint64 high = std::numeric_limits<qint64>::max();
    const qint64 n = v.toInteger(low);
    // toInteger() hands back the default for a fraction or an out-of-range value;
    // asking twice with different defaults tells a real minimum from a refusal.
    if (n != low || v.toInteger(high) == low)
        return n;
    return std::nullopt;
}

template <typename Value>
qint64 readInteger(const Value& v, const Path& at)
{
    if (const std::optional<qint64> n = integerOf(v))
        return *n;
    at.fail(DecodeError::Kind::TypeMismatch, QStringLiteral("expected an integer"));
}

template <typename Value>
int readInt(const Value& v, const Path& at)
{
    const qint64 n = readInteger(v, at);
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        at.fail(DecodeError::Kind::DataCorrupted, QStringLiteral("integer out of range"));
    return static_cast<int>(n);
}

template <typename Value>
double readDouble(const Value& v, const Path& at)
{
    if (!v.isDouble())
        at.fail(DecodeError::Kind::TypeMismatch, QStringLiteral("expected a number"));
    return v.toDouble();
}

template <typename Value>
bool readBool(const Value& v, const Path& at)
{
    if (!v.isBool())
        at.fail(DecodeError::Kind::TypeMismatch, QStringLiteral("expected a boolean"));
    return v.toBool();
}

template <typename Value>
QString readString(const Value& v, const Path& at)
{
    if (!v.isString())
        at.fail(DecodeError::Kind::TypeMismatch, QStringLiteral("expected a string"));
    return v.toString();
}

} // namespace

std::optional<qint64> integerValue(const QJsonValue& v) { return integerOf(v); }
std::optional<qint64> integerValue(QJsonValueConstRef v) { return integerOf(v); }

qint64 Codec<qint64>::read(const QJsonValue& v, const Path& at) { return readInteger(v, at); }
qint64 Codec<qint64>::read(QJsonValueConstRef v, const Path& at) { return readInteger(v, at); }
int Codec<int>::read(const QJsonValue& v, const Path& at) { return readInt(v, at); }
int Codec<int>::read(QJsonValueConstRef v, const Path& at) { return readInt(v, at); }
double Codec<double>::read(const QJsonValue& v, const Path& at) { return readDouble(v, at); }
double Codec<double>::read(QJsonValueConstRef v, const Path& at) { return readDouble(v, at); }
bool Codec<bool>::read(const QJsonValue& v, const Path& at) { return readBool(v, at); }
bool Codec<bool>::read(QJsonValueConstRef v, const Path& at) { return readBool(v, at); }
QString Codec<QString>::read(const QJsonValue& v, const Path& at) { return readString(v, at); }
QString Codec<QString>::read(QJsonValueConstRef v, const Path& at) { return readString(v, at); }
QJsonObject Codec<QJsonObject>::read(const QJsonValue& v, const Path& at) { return objectOf(v, at); }
QJsonObject Codec<QJsonObject>::read(QJsonValueConstRef v, const Path& at) { return objectOf(v, at); }

} // namespace json
