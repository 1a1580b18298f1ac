#pragma once

// "--demo", third part: an administrator and a customer-service operator, customer
// sessions in each status (the customers are the demo users), sensitive words and a
// system configuration, so both staff consoles have real data. Added once per data
// directory, after DemoData and DemoExtras.

struct ServerContext;

namespace DemoStaff {

struct StaffAccount {
    const char* username;
    const char* password;
    const char* name;
    const char* role;
};

// The staff accounts "--demo" creates (listed in the README).
extern const StaffAccount kStaff[2];

// Seeds when not seeded before and the demo users exist; returns whether it did.
bool seedOnce(ServerContext& context);

} // namespace DemoStaff
