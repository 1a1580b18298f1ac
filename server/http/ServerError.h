#pragma once

// The one failure type of request handling: carries the HTTP status and a text the
// client may show, written in the client's language when the reply is made.
// Anything that is not a ServerError is the server's own fault.

#include "texts/Phrase.h"

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

    ServerError(Kind kind, Phrase phrase)
        : std::runtime_error(phrase.in(Language::English).toStdString())
        , m_kind(kind)
        , m_phrase(std::move(phrase))
    {
    }

    template <typename... Values>
    static ServerError badRequest(Text text, const Values&... values) { return { Kind::BadRequest, Phrase::of(text, values...) }; }
    static ServerError unauthorized(Text text = Text::NotSignedIn) { return { Kind::Unauthorized, Phrase(text) }; }
    template <typename... Values>
    static ServerError forbidden(Text text, const Values&... values) { return { Kind::Forbidden, Phrase::of(text, values...) }; }
    template <typename... Values>
    static ServerError notFound(Text text, const Values&... values) { return { Kind::NotFound, Phrase::of(text, values...) }; }
    template <typename... Values>
    static ServerError conflict(Text text, const Values&... values) { return { Kind::Conflict, Phrase::of(text, values...) }; }
    template <typename... Values>
    static ServerError tooLarge(Text text, const Values&... values) { return { Kind::PayloadTooLarge, Phrase::of(text, values...) }; }
    static ServerError tooManyRequests(Text text) { return { Kind::TooManyRequests, Phrase(text) }; }

    Kind kind() const { return m_kind; }
    const Phrase& phrase() const { return m_phrase; }
    QString message(Language language = Language::English) const { return m_phrase.in(language); }
    int httpStatus() const;
    // The procedure error code name ("BAD_REQUEST", "UNAUTHORIZED", ...).
    QString codeName() const;

private:
    Kind m_kind;
    Phrase m_phrase;
};
