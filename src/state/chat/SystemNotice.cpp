#include "state/chat/SystemNotice.h"

#include "state/common/LocalizationManager.h"

namespace SystemNotice {

QString text(const std::optional<QString>& notice, const QString& content)
{
    if (notice == u"group_dissolved")
        return LocalizationManager::shared().localizedString(QStringLiteral("chat.group_dissolved"));
    return content;
}

} // namespace SystemNotice
