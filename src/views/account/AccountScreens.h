#pragma once

class QWidget;

// The security screens the profile and privacy screens push, each built fresh in
// its initial state.
namespace AccountScreens {

QWidget* twoFactor();
QWidget* deviceManagement();

} // namespace AccountScreens
