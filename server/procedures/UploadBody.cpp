#include "procedures/UploadBody.h"

#include "http/ServerError.h"
#include "store/Database.h"
#include "store/Uploads.h"

#include "models/Json.h"

#include <QJsonObject>

namespace {

ServerError malformed()
{
    return ServerError::badRequest(Text::UploadInputShape);
}

qsizetype skipSpace(const QByteArray& bytes, qsizetype at)
{
    while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\n' || bytes[at] == '\r'))
        ++at;
    return at;
}

} // namespace

UploadBody::UploadBody(QString spoolDirectory)
    : m_directory(std::move(spoolDirectory))
{
}

void UploadBody::take(QByteArrayView piece)
{
    QByteArray held;
    while (!piece.isEmpty()) {
        if (m_part == Part::Text) {
            const qsizetype quote = piece.indexOf('"');
            takeText(quote < 0 ? piece : piece.first(quote));
            if (quote < 0)
                return;
            // The closing quote stays in the rest, where the file's text is "".
            m_part = Part::AfterText;
            piece = piece.sliced(quote);
            continue;
        }
        m_rest.append(piece);
        const qsizetype start = m_part == Part::BeforeText ? textStart() : -1;
        if (start >= 0) {
            held = m_rest.mid(start);
            m_rest.truncate(start);
            m_part = Part::Text;
        }
        if (m_rest.size() > kMaxRest)
            throw malformed();
        if (start < 0)
            return;
        piece = held;
    }
}

// A raw quote cannot stand inside a JSON string, so an unescaped "fileBuffer" followed
// by a colon is a key. Base64 has no quotes or escapes.
qsizetype UploadBody::textStart()
{
    for (;;) {
        const qsizetype key = m_rest.indexOf("\"fileBuffer\"", m_searchFrom);
        if (key < 0) {
            m_searchFrom = qMax<qsizetype>(0, m_rest.size() - 11);
            return -1;
        }
        m_searchFrom = key;
        const qsizetype colon = skipSpace(m_rest, key + 12);
        if (colon == m_rest.size())
            return -1;
        if (m_rest[colon] != ':') {
            m_searchFrom = key + 1;
            continue;
        }
        const qsizetype quote = skipSpace(m_rest, colon + 1);
        if (quote == m_rest.size())
            return -1;
        if (m_rest[quote] != '"')
            throw malformed();
        return quote + 1;
    }
}

void UploadBody::takeText(QByteArrayView text)
{
    if (text.contains('\\'))
        throw ServerError::badRequest(Text::NotBase64);
    m_textLength += text.size();
    if (m_textLength > (Uploads::kMaxFileSize + 2) / 3 * 4)
        throw ServerError::tooLarge(Text::FileTooLarge, Uploads::kMaxFileSize);
    m_carry.append(text);
    const qsizetype whole = m_carry.size() / 4 * 4;
    if (whole == 0)
        return;
    decode(QByteArrayView(m_carry).first(whole));
    m_carry.remove(0, whole);
}

void UploadBody::decode(QByteArrayView groups)
{
    // Padding may only end the text.
    if (m_padded)
        throw ServerError::badRequest(Text::NotBase64);
    const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromRawData(groups.data(), groups.size()),
        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        throw ServerError::badRequest(Text::NotBase64);
    m_padded = groups.endsWith('=');
    openFile();
    if (m_file->write(decoded.decoded) != decoded.decoded.size())
        throw DatabaseError("cannot write upload " + m_file->fileName().toStdString() + ": " + m_file->errorString().toStdString());
    m_size += decoded.decoded.size();
}

void UploadBody::openFile()
{
    if (m_file)
        return;
    m_file = Uploads::spoolFile(m_directory);
}

void UploadBody::end()
{
    if (m_part != Part::AfterText)
        throw malformed();
    if (!m_carry.isEmpty())
        decode(std::exchange(m_carry, QByteArray()));
    // The rest, with the file's text taken out, must be the whole input: the key
    // found is then the input's own "fileBuffer", not one nested deeper.
    const QJsonValue envelope = json::parse(m_rest);
    const QJsonObject input = envelope.toObject().value(QLatin1StringView("json")).toObject();
    if (input.value(QLatin1StringView("fileBuffer")) != QJsonValue(QString()))
        throw malformed();
    const json::Reader reader(QJsonValue(input), json::Path {});
    m_fileKey = reader.required<QString>(QLatin1StringView("fileKey"));
    m_contentType = reader.required<QString>(QLatin1StringView("contentType"));
    openFile();
    if (!m_file->flush())
        throw DatabaseError("cannot write upload " + m_file->fileName().toStdString() + ": " + m_file->errorString().toStdString());
}
