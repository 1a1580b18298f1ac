#include "state/common/ScreenError.h"

#include "state/common/LocalizationManager.h"

QString ScreenError::text() const
{
    if (key.isEmpty())
        return description;
    return LocalizationManager::shared().localizedString(key) + separator + description;
}
