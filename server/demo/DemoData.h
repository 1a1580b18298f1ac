#pragma once

// "--demo": a few users who know each other, with a private and a group conversation
// and some history, added once per data directory.

struct ServerContext;

namespace DemoData {

struct DemoUser {
    const char* username;
    const char* password;
    const char* name;
};

// The accounts "--demo" creates (listed in the README).
extern const DemoUser kUsers[4];

// Seeds when the data directory has not been seeded before; returns whether it did.
bool seedOnce(ServerContext& context);

} // namespace DemoData
