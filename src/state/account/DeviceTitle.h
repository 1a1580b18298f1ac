#pragma once

#include <QString>

#include <optional>

// What names a signed-in device in the profile's session list and on the devices
// screen alike: its name, else its platform; none when the server says neither.
inline std::optional<QString> deviceTitle(const std::optional<QString>& deviceName, const std::optional<QString>& platform)
{
    return deviceName ? deviceName : platform;
}
