#include "views/common/Localized.h"

#include "state/common/LocalizationManager.h"

#include <QKeySequence>

namespace Localized {

QString text(const QString& key)
{
    return LocalizationManager::shared().localizedString(key);
}

QString withShortcut(const QString& action, const QKeySequence& keys)
{
    return action + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

} // namespace Localized
