#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <optional>

// The one error type of the network layer. Screens show description().
class APIError : public std::exception {
public:
    enum class Kind {
        HttpError, // a status outside 200-299 other than 401
        DecodingError, // a 2xx reply that is not the expected record
        Transport, // no reply at all: refused, unreachable, TLS failure, time-out
        ServerError, // the server said no in a 2xx reply (sign-in, refresh)
        InvalidURL,
        InvalidResponse,
        Unauthorized,
        // The secret store could not be read (a locked or silent keyring). It says
        // nothing about the session, so it must never be taken for a sign-out.
        KeychainUnavailable,
        // The password was right but the account's second factor is missing or wrong;
        // the message is the server's reason.
        TwoFactorRequired,
    };

    static APIError httpError(int statusCode, std::optional<QString> message);
    static APIError decodingError(QString detail);
    // Keeps the platform's own description of the failure.
    static APIError transport(int networkError, QString description);
    // message: the server's reason, absent when it gave none (the caller then says
    // in its own words what failed).
    static APIError serverError(std::optional<QString> message);
    static APIError invalidURL();
    static APIError invalidResponse();
    // serverMessage: the "error" text of the 401 body, if any. It is not part of
    // the description; sign-in uses it to say why the password was refused.
    static APIError unauthorized(std::optional<QString> serverMessage = std::nullopt, bool mfaRequired = false);
    static APIError keychainUnavailable();
    // The call's answer no longer matters: the client went away, or the session that
    // asked has ended. A transport failure ("Operation canceled").
    static APIError cancelled();
    static APIError twoFactorRequired(std::optional<QString> message);

    Kind kind() const { return m_kind; }
    // The server does not know what the call named (HTTP 404).
    static bool isNotFound(const std::exception& error);
    // HTTP status for HttpError; QNetworkReply::NetworkError for Transport; 0 otherwise.
    int code() const { return m_code; }
    // The server's text (HttpError, ServerError, Unauthorized), when it gave one.
    const std::optional<QString>& message() const { return m_message; }
    // A 401 whose body said the sign-in lacks its second factor.
    bool mfaRequired() const { return m_mfaRequired; }
    // For logs: what exactly failed to decode, or the transport's text.
    QString detail() const { return m_detail; }

    // "HTTP错误: 500", "数据解析错误", "请先登录", the server's message, ...
    QString description() const;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    APIError(Kind kind, int code, std::optional<QString> message, QString detail);

    Kind m_kind;
    int m_code = 0;
    std::optional<QString> m_message;
    bool m_mfaRequired = false;
    QString m_detail;
    QByteArray m_what;
};
