#include "views/account/AccountScreens.h"

#include "views/account/DeviceManagementView.h"
#include "views/account/TwoFactorView.h"

namespace AccountScreens {

QWidget* twoFactor()
{
    return new TwoFactorView;
}

QWidget* deviceManagement()
{
    return new DeviceManagementView;
}

} // namespace AccountScreens
