#pragma once

// Account roles. Only these four exist, compared case-sensitively: "Admin" is no role.

#include <QString>

namespace roles {

inline const QString kUser = QStringLiteral("user");
inline const QString kVip = QStringLiteral("vip");
inline const QString kOperator = QStringLiteral("operator");
inline const QString kAdmin = QStringLiteral("admin");

inline bool isKnown(const QString& role)
{
    return role == kUser || role == kVip || role == kOperator || role == kAdmin;
}

} // namespace roles
