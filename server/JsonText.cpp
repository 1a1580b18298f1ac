#include "JsonText.h"

#include "models/Json.h"


namespace {

void appendEscaped(QByteArray& out, const QString& text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out.reserve(out.size() + utf8.size() + 2);
    out.append('"');
    const char* begin = utf8.constData();
    const char* end = begin + utf8.size();
    const char* plain = begin; // the start of the bytes not yet copied
    for (const char* at = begin; at != end; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        const char* escape = nullptr;
        char unicode[7];
        if (byte == '"')
            escape = "\\\"";
        else if (byte == '\\')
            escape = "\\\\";
        else if (byte < 0x20) {
            unicode[0] = '\\', unicode[1] = 'u', unicode[2] = '0', unicode[3] = '0';
            unicode[4] = kHex[byte >> 4], unicode[5] = kHex[byte & 0xf], unicode[6] = '\0';
            escape = unicode;
        } else if (byte == 0xef && end - at >= 3 && static_cast<unsigned char>(at[1]) == 0xbb && static_cast<unsigned char>(at[2]) == 0xbf) {
            // U+FEFF at the start of a string is dropped by Qt's parser: always escaped, as json::serialize does.
            escape = "\\ufeff";
        }
        if (!escape)
            continue;
        out.append(plain, at - plain);
        out.append(escape);
        if (byte == 0xef)
            at += 2;
        plain = at + 1;
    }
    out.append(plain, end - plain);
    out.append('"');
}

} // namespace

void JsonText::separate()
{
    if (m_afterValue)
        m_out.append(',');
}

JsonText& JsonText::beginObject()
{
    separate();
    m_out.append('{');
    m_afterValue = false;
    return *this;
}

JsonText& JsonText::endObject()
{
    m_out.append('}');
    m_afterValue = true;
    return *this;
}

JsonText& JsonText::key(QLatin1StringView name)
{
    // Keys are the protocol's own names: plain ASCII, nothing to escape.
    separate();
    m_out.append('"').append(name.data(), name.size()).append("\":");
    m_afterValue = false;
    return *this;
}

JsonText& JsonText::value(const QString& text)
{
    separate();
    appendEscaped(m_out, text);
    m_afterValue = true;
    return *this;
}

JsonText& JsonText::value(qint64 number)
{
    separate();
    m_out.append(QByteArray::number(number));
    m_afterValue = true;
    return *this;
}

JsonText& JsonText::value(bool flag)
{
    separate();
    m_out.append(flag ? "true" : "false");
    m_afterValue = true;
    return *this;
}

JsonText& JsonText::value(const QJsonArray& array)
{
    return raw(array.isEmpty() ? QByteArrayLiteral("[]") : json::serialize(QJsonValue(array)));
}

JsonText& JsonText::raw(const QByteArray& json)
{
    separate();
    m_out.append(json);
    m_afterValue = true;
    return *this;
}

void JsonObjectOut::insertText(QLatin1StringView key, const QVariant& column)
{
    if (!column.isNull())
        m_object.insert(key, column.toString());
}

void JsonObjectOut::insertInteger(QLatin1StringView key, const QVariant& column)
{
    if (!column.isNull())
        m_object.insert(key, column.toLongLong());
}

void JsonTextObjectOut::insertText(QLatin1StringView key, const QVariant& column)
{
    if (!column.isNull())
        insert(key, column.toString());
}

void JsonTextObjectOut::insertInteger(QLatin1StringView key, const QVariant& column)
{
    if (!column.isNull())
        insert(key, column.toLongLong());
}
