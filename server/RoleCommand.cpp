#include "RoleCommand.h"

#include "http/ServerError.h"
#include "Roles.h"
#include "ServerOptions.h"
#include "store/Accounts.h"
#include "store/Database.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

int runSetRole(const ServerOptions& options)
{
    const ServerOptions::RoleAssignment& assignment = *options.setRole;
    if (!roles::isKnown(assignment.role)) {
        std::fprintf(stderr, "morvane-server: unknown role \"%s\" (one of user, vip, operator, admin)\n", qPrintable(assignment.role));
        return 2;
    }
    const QString file = QDir(options.dataDir).filePath(QStringLiteral("morvane.sqlite3"));
    if (!QFileInfo::exists(file)) {
        std::fprintf(stderr, "morvane-server: no server data in %s\n", qPrintable(options.dataDir));
        return 1;
    }
    try {
        Database db(file);
        Accounts accounts(db, options.tokenTtlSeconds);
        const auto userId = accounts.idOf(assignment.username);
        if (!userId) {
            std::fprintf(stderr, "morvane-server: no account \"%s\" in %s\n", qPrintable(assignment.username), qPrintable(options.dataDir));
            return 1;
        }
        accounts.setRole(*userId, assignment.role);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "morvane-server: %s\n", failure.what());
        return 1;
    }
    std::printf("%s is now %s\n", qPrintable(assignment.username), qPrintable(assignment.role));
    return 0;
}
