#include "http/HttpReply.h"

#include "http/MediaType.h"
#include "http/PendingReply.h"
#include "http/ServerError.h"

#include "models/Json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace {

// Error codes of the procedure convention (JSON-RPC numbers).
int rpcCode(ServerError::Kind kind)
{
    switch (kind) {
    case ServerError::Kind::BadRequest:
        return -32600;
    case ServerError::Kind::Unauthorized:
        return -32001;
    case ServerError::Kind::Forbidden:
        return -32003;
    case ServerError::Kind::NotFound:
        return -32004;
    case ServerError::Kind::MethodNotAllowed:
        return -32005;
    case ServerError::Kind::Conflict:
        return -32009;
    case ServerError::Kind::PayloadTooLarge:
        return -32013;
    case ServerError::Kind::UriTooLong:
    case ServerError::Kind::HeadersTooLarge:
        return -32600;
    case ServerError::Kind::TooManyRequests:
        return -32029;
    }
    return -32600;
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 413:
        return "Content Too Large";
    case 414:
        return "URI Too Long";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return status < 400 ? "OK" : status < 500 ? "Client Error" : "Server Error";
    }
}

bool splitsTheHead(const QByteArray& text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

} // namespace

HttpReply HttpReply::json(const QJsonValue& value, int status)
{
    HttpReply reply;
    reply.status = status;
    if (value.isObject())
        reply.body = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    else if (value.isArray())
        reply.body = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else {
        // QJsonDocument holds only objects and arrays: write the scalar inside an array and peel it.
        const QByteArray wrapped = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
        reply.body = wrapped.mid(1, wrapped.size() - 2);
    }
    return reply;
}

HttpReply HttpReply::restError(const ServerError& error, Language language)
{
    return json(QJsonObject { { QStringLiteral("error"), error.message(language) } }, error.httpStatus());
}

HttpReply HttpReply::procedureResult(const QJsonValue& value)
{
    const QJsonObject data { { QStringLiteral("json"), value.isUndefined() ? QJsonValue() : value } };
    return json(QJsonObject { { QStringLiteral("result"), QJsonObject { { QStringLiteral("data"), data } } } });
}

HttpReply HttpReply::procedureResultText(const QByteArray& jsonText)
{
    HttpReply reply;
    reply.body = QByteArrayLiteral("{\"result\":{\"data\":{\"json\":") + jsonText + QByteArrayLiteral("}}}");
    return reply;
}

HttpReply HttpReply::procedureError(const ServerError& error, const QString& path, Language language)
{
    const QJsonObject data {
        { QStringLiteral("code"), error.codeName() },
        { QStringLiteral("httpStatus"), error.httpStatus() },
        { QStringLiteral("path"), path },
    };
    const QJsonObject inner {
        { QStringLiteral("message"), error.message(language) },
        { QStringLiteral("code"), rpcCode(error.kind()) },
        { QStringLiteral("data"), data },
    };
    return json(QJsonObject { { QStringLiteral("error"), QJsonObject { { QStringLiteral("json"), inner } } } },
        error.httpStatus());
}

HttpReply HttpReply::internalError(bool procedure, Language language)
{
    const QString text = Phrase(Text::InternalError).in(language);
    if (!procedure)
        return json(QJsonObject { { QStringLiteral("error"), text } }, 500);
    const QJsonObject inner {
        { QStringLiteral("message"), text },
        { QStringLiteral("code"), -32603 },
        { QStringLiteral("data"), QJsonObject { { QStringLiteral("code"), QStringLiteral("INTERNAL_SERVER_ERROR") }, { QStringLiteral("httpStatus"), 500 } } },
    };
    return json(QJsonObject { { QStringLiteral("error"), QJsonObject { { QStringLiteral("json"), inner } } } }, 500);
}

HttpReply HttpReply::storedFile(const QString& contentType, const QString& path, const QString& fileName, Showing showing)
{
    // SVG is a picture that can carry scripts: it is saved like any other document.
    const QString type = contentType.trimmed().toLower();
    const bool picture = type.startsWith(u"image/") && !type.startsWith(u"image/svg");
    const bool inlineShown = showing == Showing::InlineImages && picture;
    HttpReply reply;
    reply.contentType = mediatype::isValid(contentType) ? contentType.toLatin1() : QByteArrayLiteral("application/octet-stream");
    reply.bodyFile = path;
    reply.headers.append({ QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff") });
    reply.headers.append({ QByteArrayLiteral("Content-Security-Policy"), QByteArrayLiteral("sandbox") });
    reply.headers.append({ QByteArrayLiteral("Content-Disposition"),
        (inlineShown ? QByteArrayLiteral("inline") : QByteArrayLiteral("attachment")) + "; filename*=UTF-8''" + QUrl::toPercentEncoding(fileName) });
    return reply;
}

HttpReply HttpReply::guarded(const std::function<HttpReply()>& work, bool procedure, const QString& path, Language language)
{
    const auto fail = [&](const ServerError& error) {
        return procedure ? procedureError(error, path, language) : restError(error, language);
    };
    try {
        return work();
    } catch (const ServerError& error) {
        return fail(error);
    } catch (const json::DecodeError& error) {
        return fail(ServerError::badRequest(Text::InvalidInput, error.description()));
    } catch (const std::exception& error) {
        qWarning().noquote() << "[Server] Request" << path << "failed:" << error.what();
        return internalError(procedure, language);
    }
}

HttpReply HttpReply::later(std::shared_ptr<PendingReply> pending)
{
    HttpReply reply;
    reply.pending = std::move(pending);
    return reply;
}

std::optional<QByteArray> HttpReply::head(qint64 bodyLength, Framing framing) const
{
    QList<QPair<QByteArray, QByteArray>> lines { { QByteArrayLiteral("Content-Type"), contentType },
        { QByteArrayLiteral("Content-Length"), QByteArray::number(bodyLength) } };
    lines += headers;
    if (framing.closing)
        lines.append({ QByteArrayLiteral("Connection"), QByteArrayLiteral("close") });
    else if (framing.keptAlive)
        lines.append({ QByteArrayLiteral("Connection"), QByteArrayLiteral("keep-alive") });
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    for (const auto& [name, value] : std::as_const(lines)) {
        if (name.isEmpty() || splitsTheHead(name) || name.contains(':') || splitsTheHead(value)) {
            qWarning().noquote() << "[Server] An answer's header" << name.left(64).toPercentEncoding() << "would split its head; answering 500";
            return std::nullopt;
        }
        head += name + ": " + value + "\r\n";
    }
    return head + "\r\n";
}

QByteArray HttpReply::wire(Framing framing) const
{
    if (const auto written = head(body.size(), framing))
        return framing.headOnly ? *written : *written + body;
    return internalError(false, Language::English).wire(framing);
}
