#include "views/common/Localized.h"

#include "state/common/LocalizationManager.h"

namespace Localized {

QString text(const QString& key)
{
    return LocalizationManager::shared().localizedString(key);
}

} // namespace Localized
