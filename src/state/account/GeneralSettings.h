#pragma once

#include "state/account/UserDefaults.h"
#include "state/common/AppLanguage.h"

#include <QString>

struct User;

// What the general settings screen stores and shows besides the language
// manager and the signed-in user.
class GeneralSettings {
public:
    static inline const UserDefaults::BoolKey showNotifications { QStringLiteral("showNotifications"), true };
    static inline const UserDefaults::BoolKey playSound { QStringLiteral("playSound"), true };
    static inline const UserDefaults::BoolKey autoLaunch { QStringLiteral("autoLaunch"), false };

    // The picker's label of a language, in that language itself.
    static QString languageLabel(AppLanguage language);
    // The user's role, or "user" when the server gave none.
    static QString roleText(const User& user);
    // The addresses the program really talks to.
    static QString apiAddress();
    static QString webSocketAddress();
    static QString version();
    // The operating system the program runs on, as its vendor names it.
    static QString platform();
};
