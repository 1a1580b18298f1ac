#include "state/chat/RevokedNotice.h"

#include "state/common/LocalizationManager.h"

namespace RevokedNotice {

QString text(bool isMine, const QString& senderName, bool byAdministrator)
{
    const LocalizationManager& language = LocalizationManager::shared();
    if (byAdministrator)
        return language.localizedString(QStringLiteral("chat.removed_by_admin"));
    if (isMine)
        return language.localizedString(QStringLiteral("chat.revoked_mine"));
    return senderName + language.localizedString(QStringLiteral("chat.revoked_other"));
}

} // namespace RevokedNotice
