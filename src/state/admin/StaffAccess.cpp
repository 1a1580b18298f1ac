#include "state/admin/StaffAccess.h"

namespace staffaccess {

bool canAdminister(const std::optional<User>& user)
{
    return user && user->role == QStringLiteral("admin");
}

bool canServeCustomers(const std::optional<User>& user)
{
    return user && (user->role == QStringLiteral("admin") || user->role == QStringLiteral("operator"));
}

} // namespace staffaccess
