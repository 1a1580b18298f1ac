#include "state/ErrorDescription.h"

#include "network/APIError.h"

QString errorDescription(const std::exception& error)
{
    if (const auto* apiError = dynamic_cast<const APIError*>(&error))
        return apiError->description();
    return QString::fromUtf8(error.what());
}
