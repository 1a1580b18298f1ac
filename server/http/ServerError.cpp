#include "http/ServerError.h"

int ServerError::httpStatus() const
{
    switch (m_kind) {
    case Kind::BadRequest:
        return 400;
    case Kind::Unauthorized:
        return 401;
    case Kind::Forbidden:
        return 403;
    case Kind::NotFound:
        return 404;
    case Kind::MethodNotAllowed:
        return 405;
    case Kind::Conflict:
        return 409;
    case Kind::PayloadTooLarge:
        return 413;
    case Kind::UriTooLong:
        return 414;
    case Kind::TooManyRequests:
        return 429;
    case Kind::HeadersTooLarge:
        return 431;
    }
    return 400;
}

QString ServerError::codeName() const
{
    switch (m_kind) {
    case Kind::BadRequest:
        return QStringLiteral("BAD_REQUEST");
    case Kind::Unauthorized:
        return QStringLiteral("UNAUTHORIZED");
    case Kind::Forbidden:
        return QStringLiteral("FORBIDDEN");
    case Kind::NotFound:
        return QStringLiteral("NOT_FOUND");
    case Kind::MethodNotAllowed:
        return QStringLiteral("METHOD_NOT_SUPPORTED");
    case Kind::Conflict:
        return QStringLiteral("CONFLICT");
    case Kind::PayloadTooLarge:
        return QStringLiteral("PAYLOAD_TOO_LARGE");
    case Kind::UriTooLong:
    case Kind::HeadersTooLarge:
        return QStringLiteral("BAD_REQUEST");
    case Kind::TooManyRequests:
        return QStringLiteral("TOO_MANY_REQUESTS");
    }
    return QStringLiteral("BAD_REQUEST");
}
