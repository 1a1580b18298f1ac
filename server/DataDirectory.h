#pragma once

// The server's data directory holds password digests, token digests, two-factor
// secrets and every message: only the account that runs the server may read it,
// whoever made the directory or its files before.

#include <QString>

namespace DataDirectory {

// Sets the process umask to 077, creates the directory when missing, and makes it
// and everything already in it private (directories 0700, files 0600). Returns
// false when the directory cannot be created.
bool makePrivate(const QString& path);

} // namespace DataDirectory
