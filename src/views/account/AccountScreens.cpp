#include "views/account/AccountScreens.h"

#include "views/common/Localized.h"
#include "views/common/NotAvailableView.h"

namespace AccountScreens {

// The two-factor and device screens are built by other work; until then each
// link says so instead of showing an empty page.
QWidget* twoFactor()
{
    return new NotAvailableView(Localized::text("profile.two_factor"));
}

QWidget* deviceManagement()
{
    return new NotAvailableView(Localized::text("profile.devices"));
}

} // namespace AccountScreens
