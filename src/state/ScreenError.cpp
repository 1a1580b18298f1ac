#include "state/ScreenError.h"

#include "state/LocalizationManager.h"

QString ScreenError::text() const
{
    return LocalizationManager::shared().localizedString(key) + description;
}
