#include "network/APIError.h"

#include <QNetworkReply>

#include <utility>

APIError::APIError(Kind kind, int code, std::optional<QString> message, QString detail)
    : m_kind(kind)
    , m_code(code)
    , m_message(std::move(message))
    , m_detail(std::move(detail))
{
    m_what = description().toUtf8();
}

bool APIError::isNotFound(const std::exception& error)
{
    const auto* apiError = dynamic_cast<const APIError*>(&error);
    return apiError && apiError->kind() == Kind::HttpError && apiError->code() == 404;
}

APIError APIError::httpError(int statusCode, std::optional<QString> message)
{
    return APIError(Kind::HttpError, statusCode, std::move(message), {});
}

APIError APIError::decodingError(QString detail)
{
    return APIError(Kind::DecodingError, 0, std::nullopt, std::move(detail));
}

APIError APIError::transport(int networkError, QString description)
{
    return APIError(Kind::Transport, networkError, std::nullopt, std::move(description));
}

APIError APIError::serverError(std::optional<QString> message)
{
    return APIError(Kind::ServerError, 0, std::move(message), {});
}

APIError APIError::invalidURL()
{
    return APIError(Kind::InvalidURL, 0, std::nullopt, {});
}

APIError APIError::invalidResponse()
{
    return APIError(Kind::InvalidResponse, 0, std::nullopt, {});
}

APIError APIError::unauthorized(std::optional<QString> serverMessage, bool mfaRequired)
{
    APIError error(Kind::Unauthorized, 0, std::move(serverMessage), {});
    error.m_mfaRequired = mfaRequired;
    return error;
}

APIError APIError::keychainUnavailable()
{
    return APIError(Kind::KeychainUnavailable, 0, std::nullopt, {});
}

APIError APIError::cancelled()
{
    return transport(QNetworkReply::OperationCanceledError, QStringLiteral("Operation canceled"));
}

APIError APIError::twoFactorRequired(std::optional<QString> message)
{
    return APIError(Kind::TwoFactorRequired, 0, std::move(message), {});
}

QString APIError::description() const
{
    switch (m_kind) {
    case Kind::HttpError:
        return m_message ? *m_message : QStringLiteral("HTTP错误: %1").arg(m_code);
    case Kind::DecodingError:
        return QStringLiteral("数据解析错误");
    case Kind::Transport:
        return m_detail;
    case Kind::ServerError:
    case Kind::TwoFactorRequired:
        // Never an empty text: the server gave no reason, so the failure is told plainly.
        return m_message.value_or(QStringLiteral("出错了"));
    case Kind::InvalidURL:
        return QStringLiteral("无效的请求地址");
    case Kind::InvalidResponse:
        return QStringLiteral("无效的服务器响应");
    case Kind::Unauthorized:
        return QStringLiteral("请先登录");
    case Kind::KeychainUnavailable:
        return QStringLiteral("无法读取钥匙串");
    }
    return {};
}
