#include "state/ErrorDescription.h"

#include "network/APIError.h"
#include "state/LocalizationManager.h"

#include <QNetworkReply>

#include <optional>

namespace {

// The failures a person meets most often, in the interface language; the
// platform's own text (in English) for the rest.
std::optional<QString> transportText(int networkError)
{
    const char* key = nullptr;
    switch (networkError) {
    case QNetworkReply::TimeoutError:
        key = "common.error_timeout";
        break;
    case QNetworkReply::ConnectionRefusedError:
        key = "common.error_connection_refused";
        break;
    case QNetworkReply::HostNotFoundError:
        key = "common.error_host_not_found";
        break;
    default:
        return std::nullopt;
    }
    return LocalizationManager::shared().localizedString(QString::fromLatin1(key));
}

} // namespace

QString errorDescription(const std::exception& error)
{
    if (const auto* apiError = dynamic_cast<const APIError*>(&error)) {
        if (apiError->kind() == APIError::Kind::Transport) {
            if (const std::optional<QString> text = transportText(apiError->code()))
                return *text;
        }
        return apiError->description();
    }
    return QString::fromUtf8(error.what());
}
