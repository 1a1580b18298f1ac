#pragma once

// The one failure type of request handling: carries the HTTP status and a text the
// client may show. Anything that is not a ServerError is the server's own fault.

#include <QString>

#include <stdexcept>

class ServerError : public std::runtime_error {
public:
    enum class Kind {
        BadRequest,
        Unauthorized,
        Forbidden,
        NotFound,
        MethodNotAllowed,
        Conflict,
        PayloadTooLarge,
        UriTooLong,
        TooManyRequests,
        HeadersTooLarge,
    };

    ServerError(Kind kind, QString message)
        : std::runtime_error(message.toStdString())
        , m_kind(kind)
        , m_message(std::move(message))
    {
    }

    static ServerError badRequest(QString message) { return { Kind::BadRequest, std::move(message) }; }
    static ServerError unauthorized(QString message = QStringLiteral("Not signed in or the session has expired"))
    {
        return { Kind::Unauthorized, std::move(message) };
    }
    static ServerError forbidden(QString message) { return { Kind::Forbidden, std::move(message) }; }
    static ServerError notFound(QString message) { return { Kind::NotFound, std::move(message) }; }
    static ServerError conflict(QString message) { return { Kind::Conflict, std::move(message) }; }
    static ServerError tooLarge(QString message) { return { Kind::PayloadTooLarge, std::move(message) }; }
    static ServerError tooManyRequests(QString message) { return { Kind::TooManyRequests, std::move(message) }; }

    Kind kind() const { return m_kind; }
    QString message() const { return m_message; }
    int httpStatus() const;
    // The procedure error code name ("BAD_REQUEST", "UNAUTHORIZED", ...).
    QString codeName() const;

private:
    Kind m_kind;
    QString m_message;
};
