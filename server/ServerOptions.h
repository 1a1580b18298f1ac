#pragma once

// The command line: morvane-server [--host H] [--port P] [--data-dir DIR] [--demo] [--token-ttl S]
//                                 [--head-timeout S] [--idle-timeout S] [--max-connections N]
//                                 [--max-connections-per-address N] [--registration-burst N]
//                   morvane-server [--data-dir DIR] --set-role USERNAME ROLE

#include <QString>
#include <QStringList>

#include <optional>

struct ServerOptions {
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 8787;
    QString dataDir;
    bool demo = false;
    qint64 tokenTtlSeconds = 3600;
    // "--set-role": change this account's role in the data directory and exit, without listening.
    struct RoleAssignment {
        QString username;
        QString role;
    };
    std::optional<RoleAssignment> setRole;
    // Connections slower than these are closed (tests shorten them).
    int headTimeoutMs = 10000;
    int idleTimeoutMs = 60000;
    // Connections beyond these are refused with 429 (tests lower them).
    int maxConnections = 1024;
    int maxConnectionsPerAddress = 64;
    // Registrations from one address at once (the demo and tests raise it).
    int registrationBurst = 10;
    // How long a replaced or expired live channel stays open; the hub's own when not
    // given (tests on a crowded machine lengthen it, so that no step outlasts it).
    std::optional<int> handoverGraceMs;

    // Parses arguments (without the program name handling of QCoreApplication); on
    // a bad argument returns nothing and sets error. "--help" sets error to the usage.
    static std::optional<ServerOptions> parse(const QStringList& arguments, QString* error);
    static QString usage();
    // The user's data location when --data-dir is not given.
    static QString defaultDataDir();
};
