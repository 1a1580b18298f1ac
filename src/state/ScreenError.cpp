#include "state/ScreenError.h"

#include "state/LocalizationManager.h"

QString ScreenError::text() const
{
    if (key.isEmpty())
        return description;
    return LocalizationManager::shared().localizedString(key) + separator + description;
}
