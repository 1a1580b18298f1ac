#include "state/common/ErrorDescription.h"

#include "network/APIError.h"
#include "state/common/LocalizationManager.h"
#include "state/common/PrintfFormat.h"

#include <QNetworkReply>

namespace {

QString localized(const char* key)
{
    return LocalizationManager::shared().localizedString(QString::fromLatin1(key));
}

// The failures a person meets most often get a text of their own; the platform
// describes the rest only in English, so they share one.
QString transportText(int networkError)
{
    switch (networkError) {
    case QNetworkReply::TimeoutError:
        return localized("common.error_timeout");
    case QNetworkReply::ConnectionRefusedError:
        return localized("common.error_connection_refused");
    case QNetworkReply::HostNotFoundError:
        return localized("common.error_host_not_found");
    default:
        return localized("error.network");
    }
}

QString apiErrorText(const APIError& error)
{
    switch (error.kind()) {
    case APIError::Kind::HttpError:
        if (error.message())
            return *error.message();
        return printfFormat(localized("error.http_status"), { QString::number(error.code()) });
    case APIError::Kind::DecodingError:
        return localized("error.decoding");
    case APIError::Kind::Transport:
        return transportText(error.code());
    case APIError::Kind::ServerError:
    case APIError::Kind::TwoFactorRequired:
        return error.message() ? *error.message() : localized("common.error");
    case APIError::Kind::InvalidURL:
        return localized("error.invalid_url");
    case APIError::Kind::InvalidResponse:
        return localized("error.invalid_response");
    case APIError::Kind::Unauthorized:
        return localized("error.unauthorized");
    case APIError::Kind::KeychainUnavailable:
        return localized("error.keychain");
    }
    return {};
}

} // namespace

QString errorDescription(const std::exception& error)
{
    if (const auto* apiError = dynamic_cast<const APIError*>(&error))
        return apiErrorText(*apiError);
    return QString::fromUtf8(error.what());
}
