#include "http/RequestHead.h"

#include <QUrl>

#include <algorithm>

namespace {

// RFC 9110 token characters: what a method and a header name are made of.
bool isTokenCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isTokenCharacter);
}

bool isDigits(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Leading and trailing spaces and tabs (no other white space can be in a line here).
QByteArray trimmedValue(QByteArrayView value)
{
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && (value[begin] == ' ' || value[begin] == '\t'))
        ++begin;
    while (end > begin && (value[end - 1] == ' ' || value[end - 1] == '\t'))
        --end;
    return value.sliced(begin, end - begin).toByteArray();
}

// The comma-separated tokens of a field such as Connection, lower-cased.
QList<QByteArray> tokensOf(const QByteArray& value)
{
    QList<QByteArray> tokens;
    for (const QByteArray& token : value.split(','))
        tokens.append(trimmedValue(token).toLower());
    return tokens;
}

Language languageOf(const QList<QByteArray>& lines)
{
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && trimmedValue(QByteArrayView(line).first(colon)).compare("accept-language", Qt::CaseInsensitive) == 0)
            return languageFromHeader(trimmedValue(QByteArrayView(line).sliced(colon + 1)));
    }
    return Language::English;
}

} // namespace

RequestHead RequestHead::read(const QByteArray& head)
{
    RequestHead request;
    const QList<QByteArray> lines = head.split('\n');
    request.language = languageOf(lines);
    const ServerError malformed = ServerError::badRequest(Text::HeadMalformed);
    const ServerError ambiguous = ServerError::badRequest(Text::BodyLengthAmbiguous);
    if (head.contains('\0')) {
        request.refusal = malformed;
        return request;
    }
    // Every line but the last (whose CR LF the caller took) ends with CR before its LF;
    // no other CR may appear.
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const bool last = i + 1 == lines.size();
        const qsizetype crs = line.count('\r');
        if ((last && crs != 0) || (!last && (crs != 1 || !line.endsWith('\r')))) {
            request.refusal = malformed;
            return request;
        }
    }
    const auto lineAt = [&lines](qsizetype i) { return i + 1 == lines.size() ? lines[i] : lines[i].chopped(1); };

    const QList<QByteArray> parts = lineAt(0).split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || parts[1].isEmpty() || (parts[2] != "HTTP/1.1" && parts[2] != "HTTP/1.0")
        || std::any_of(parts[1].cbegin(), parts[1].cend(), [](char c) { return uchar(c) <= ' ' || c == 0x7f; })) {
        request.refusal = malformed;
        return request;
    }
    const QUrl url = QUrl::fromEncoded(parts[1]);
    if (!url.isValid()) {
        request.refusal = malformed;
        return request;
    }
    const bool http10 = parts[2] == "HTTP/1.0";
    request.method = QString::fromLatin1(parts[0]);
    request.headOnly = parts[0] == "HEAD";
    request.path = url.path();
    request.query = QUrlQuery(url);

    bool authorizationSeen = false;
    bool ambiguousLength = false;
    int hosts = 0;
    QList<QByteArray> connection;
    QList<QByteArray> webSocketKeys;
    QByteArray webSocketVersion;
    std::optional<QByteArray> declaredLength;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lineAt(i);
        const qsizetype colon = line.indexOf(':');
        // A folded line or a name with spaces would be read one way here and perhaps
        // another by whatever stands in front of this server.
        if (colon <= 0 || !isToken(QByteArrayView(line).first(colon))) {
            request.refusal = malformed;
            return request;
        }
        const QByteArray name = line.left(colon).toLower();
        const QByteArray value = trimmedValue(QByteArrayView(line).sliced(colon + 1));
        if (name == "content-length") {
            // One length, in digits; a second that differs would leave two readings.
            ambiguousLength = ambiguousLength || value.size() > 18 || !isDigits(value) || (declaredLength && *declaredLength != value);
            declaredLength = value;
            request.contentLength = value.toLongLong();
        } else if (name == "transfer-encoding") {
            ambiguousLength = ambiguousLength || request.chunked || value.compare("chunked", Qt::CaseInsensitive) != 0;
            request.chunked = true;
        } else if (name == "origin") {
            request.origins.append(value);
        } else if (name == "upgrade") {
            request.upgrade = value.compare("websocket", Qt::CaseInsensitive) == 0;
        } else if (name == "host") {
            ++hosts;
            request.host = QString::fromLatin1(value);
        } else if (name == "connection") {
            connection += tokensOf(value);
        } else if (name == "expect") {
            request.expectsContinue = value.compare("100-continue", Qt::CaseInsensitive) == 0;
        } else if (name == "sec-websocket-key") {
            webSocketKeys.append(value);
        } else if (name == "sec-websocket-version") {
            webSocketVersion = value;
        } else if (name == "authorization" && !authorizationSeen) {
            authorizationSeen = true;
            if (value.size() > 7 && value.left(7).compare("bearer ", Qt::CaseInsensitive) == 0)
                request.bearerToken = QString::fromLatin1(trimmedValue(QByteArrayView(value).sliced(7)));
        }
    }
    if (ambiguousLength || (request.contentLength && request.chunked))
        request.refusal = ambiguous;
    else if (http10 && request.chunked)
        request.refusal = ServerError::badRequest(Text::ChunkedNeedsHttp11);
    else if (!http10 && hosts != 1)
        request.refusal = ServerError::badRequest(Text::HostNotOnce);
    else if (request.upgrade
        && (request.method != u"GET" || http10 || webSocketKeys.size() != 1 || webSocketKeys[0].isEmpty() || webSocketVersion != "13"
            || !connection.contains("upgrade")))
        request.refusal = ServerError::badRequest(Text::WebSocketHandshakeMalformed);
    request.closing = connection.contains("close") || (http10 && !connection.contains("keep-alive"));
    request.keepAliveAsked = http10 && !request.closing;
    // An HTTP/1.0 client knows no interim answers.
    request.expectsContinue = request.expectsContinue && !http10;
    return request;
}
