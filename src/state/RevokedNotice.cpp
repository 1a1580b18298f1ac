#include "state/RevokedNotice.h"

#include "state/LocalizationManager.h"

namespace RevokedNotice {

QString text(bool isMine, const QString& senderName)
{
    const LocalizationManager& language = LocalizationManager::shared();
    if (isMine)
        return language.localizedString(QStringLiteral("chat.revoked_mine"));
    return senderName + language.localizedString(QStringLiteral("chat.revoked_other"));
}

} // namespace RevokedNotice
