#pragma once

// "--demo", second part: friend requests, a blocked contact, group roles, moments,
// favourites, files, a VIP membership and other signed-in devices for the demo users,
// so every screen has something to show. Added once per data directory, after DemoData.

struct ServerContext;

namespace DemoExtras {

struct DemoUser {
    const char* username;
    const char* password;
    const char* name;
};

// The extra account "--demo" creates (listed in the README next to DemoData's).
extern const DemoUser kStranger;

// Seeds when not seeded before and the base demo users exist; returns whether it did.
bool seedOnce(ServerContext& context);

} // namespace DemoExtras
