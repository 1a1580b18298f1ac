#pragma once

// "--set-role USERNAME ROLE": changes one account's role in the data directory and
// returns the process exit status. It never creates a data directory or a database.

struct ServerOptions;

int runSetRole(const ServerOptions& options);
