#pragma once

#include "state/account/UserDefaults.h"

#include <QString>

// The notification preferences. They are only stored: nothing in the program
// notifies, plays or badges from them yet.
class NotificationSettings {
public:
    static inline const UserDefaults::BoolKey notifyNewMessage { QStringLiteral("notifyNewMessage"), true };
    static inline const UserDefaults::BoolKey notifyFriendRequest { QStringLiteral("notifyFriendRequest"), true };
    static inline const UserDefaults::BoolKey notifyGroupMention { QStringLiteral("notifyGroupMention"), true };
    static inline const UserDefaults::BoolKey notifyMomentActivity { QStringLiteral("notifyMomentActivity"), true };
    static inline const UserDefaults::BoolKey soundEnabled { QStringLiteral("soundEnabled"), true };
    static inline const UserDefaults::BoolKey badgeEnabled { QStringLiteral("badgeEnabled"), true };
    static inline const UserDefaults::BoolKey doNotDisturb { QStringLiteral("doNotDisturb"), false };
    // Hours of the day, 0 to 23; the period may span midnight and nothing checks the pair.
    static inline const UserDefaults::IntKey dndStartHour { QStringLiteral("dndStartHour"), 22 };
    static inline const UserDefaults::IntKey dndEndHour { QStringLiteral("dndEndHour"), 7 };

    static constexpr int hoursInDay = 24;
    // "7:00", "22:00": no leading zero.
    static QString hourLabel(int hour);
};
