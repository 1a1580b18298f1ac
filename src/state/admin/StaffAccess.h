#pragma once

#include "models/User.h"

#include <optional>

// Who is offered the staff consoles. The server refuses everybody else anyway;
// the client simply does not show them the way in.
namespace staffaccess {

// The administration console: role exactly "admin".
bool canAdminister(const std::optional<User>& user);
// The operator console: role exactly "operator" or "admin".
bool canServeCustomers(const std::optional<User>& user);

} // namespace staffaccess
