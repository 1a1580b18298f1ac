#pragma once

// For end-to-end tests of the client against a morvane-server child process.

namespace testsupport {

class ServerProcess;

// Points the client at the running server (the addresses it reads at start), keeps its
// settings apart from the user's, and forgets any account a test signed in before, so
// the client starts signed out.
void useServerSignedOut(const ServerProcess& server);

// Forgets any account a test signed in before.
void forgetSignedInAccount();

} // namespace testsupport
