#include "ServerOptions.h"

#include <QHostAddress>
#include <QStandardPaths>

QString ServerOptions::usage()
{
    return QStringLiteral(
        "Usage: morvane-server [--host ADDRESS] [--port PORT] [--data-dir DIR] [--demo] [--token-ttl SECONDS]\n"
        "                      [--head-timeout SECONDS] [--idle-timeout SECONDS]\n"
        "                      [--max-connections N] [--max-connections-per-address N]\n"
        "                      [--registration-burst N] [--handover-grace SECONDS]\n"
        "       morvane-server [--data-dir DIR] --set-role USERNAME ROLE\n"
        "\n"
        "  --host ADDRESS       address to listen on (default 127.0.0.1)\n"
        "  --port PORT          port to listen on; 0 picks a free one (default 8787)\n"
        "  --data-dir DIR       where the database and uploaded files live\n"
        "                       (default: %1)\n"
        "  --demo               add demo users and conversations (once per data directory)\n"
        "  --token-ttl SECONDS  lifetime of access tokens (default 3600)\n"
        "  --set-role USERNAME ROLE\n"
        "                       give an existing account the role user, vip, operator or admin,\n"
        "                       then exit without listening (how the first administrator is made)\n"
        "  --head-timeout SECONDS  close a connection whose request head has not arrived\n"
        "                       by then, or whose body came slower than 16 KiB/s after\n"
        "                       that long (default 10; fractions allowed)\n"
        "  --idle-timeout SECONDS  close a connection silent that long inside a body, or\n"
        "                       taking nothing of a file sent to it (default 60)\n"
        "  --max-connections N  connections open at once (default 1024)\n"
        "  --max-connections-per-address N\n"
        "                       connections open at once from one address (default 64)\n"
        "  --registration-burst N\n"
        "                       accounts one address may register at once before it is held\n"
        "                       to one every 20 seconds (default 10; all addresses together\n"
        "                       five times that, then one every 2 seconds); for a demo or\n"
        "                       tests that make many accounts\n"
        "  --handover-grace SECONDS\n"
        "                       how long a live channel stays open once a newer one of its\n"
        "                       session and device replaced it, or once its token expired\n"
        "                       (default 5; fractions allowed)\n")
        .arg(defaultDataDir());
}

QString ServerOptions::defaultDataDir()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base + QStringLiteral("/morvane-server");
}

std::optional<ServerOptions> ServerOptions::parse(const QStringList& arguments, QString* error)
{
    ServerOptions options;
    bool dataDirGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        QString value;
        bool hasInlineValue = false;
        if (const qsizetype eq = name.indexOf(u'='); name.startsWith(QStringLiteral("--")) && eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasInlineValue = true;
        }
        const auto takeValue = [&]() -> std::optional<QString> {
            if (hasInlineValue)
                return value;
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("%1 needs a value").arg(name);
                return std::nullopt;
            }
            return arguments[++i];
        };
        if (name == u"--help" || name == u"-h") {
            *error = usage();
            return std::nullopt;
        } else if (name == u"--demo" && !hasInlineValue) {
            options.demo = true;
        } else if (name == u"--host") {
            const auto v = takeValue();
            if (!v)
                return std::nullopt;
            if (QHostAddress(*v).isNull() && *v != u"localhost") {
                *error = QStringLiteral("--host must be an IP address (such as 127.0.0.1 or ::1), not \"%1\"").arg(*v);
                return std::nullopt;
            }
            options.host = *v;
        } else if (name == u"--port") {
            const auto v = takeValue();
            if (!v)
                return std::nullopt;
            bool ok = false;
            const uint port = v->toUInt(&ok);
            if (!ok || port > 65535) {
                *error = QStringLiteral("--port must be a number from 0 to 65535, not \"%1\"").arg(*v);
                return std::nullopt;
            }
            options.port = quint16(port);
        } else if (name == u"--data-dir") {
            const auto v = takeValue();
            if (!v)
                return std::nullopt;
            if (v->isEmpty()) {
                *error = QStringLiteral("--data-dir must not be empty");
                return std::nullopt;
            }
            options.dataDir = *v;
            dataDirGiven = true;
        } else if (name == u"--token-ttl") {
            const auto v = takeValue();
            if (!v)
                return std::nullopt;
            bool ok = false;
            const qint64 ttl = v->toLongLong(&ok);
            // Zero is allowed: every access token is born expired, which is how the
            // refresh path is exercised without waiting.
            if (!ok || ttl < 0 || ttl > 365LL * 24 * 3600) {
                *error = QStringLiteral("--token-ttl must be a number of seconds from 0 to one year, not \"%1\"").arg(*v);
                return std::nullopt;
            }
            options.tokenTtlSeconds = ttl;
        } else if (name == u"--set-role" && !hasInlineValue) {
            if (i + 2 >= arguments.size()) {
                *error = QStringLiteral("--set-role needs a user name and a role");
                return std::nullopt;
            }
            options.setRole = RoleAssignment { arguments[i + 1], arguments[i + 2] };
            i += 2;
        } else if (name == u"--head-timeout" || name == u"--idle-timeout" || name == u"--handover-grace") {
            const auto v = takeValue();
            if (!v)
                return std::nullopt;
            bool ok = false;
            const double seconds = v->toDouble(&ok);
            if (!ok || !(seconds >= 0.01 && seconds <= 3600)) {
                *error = QStringLiteral("%1 must be a number of seconds from 0.01 to 3600, not \"%2\"").arg(name, *v);
                return std::nullopt;
            }
            if (name == u"--handover-grace")
                options.handoverGraceMs = int(seconds * 1000);
            else
                (name == u"--head-timeout" ? options.headTimeoutMs : options.idleTimeoutMs) = int(seconds * 1000);
        } else if (name == u"--max-connections" || name == u"--max-connections-per-address" || name == u"--registration-burst") {
            const auto v = takeValue();
            if (!v)
                return std::nullopt;
            bool ok = false;
            const int count = v->toInt(&ok);
            if (!ok || count < 1 || count > 1000000) {
                *error = QStringLiteral("%1 must be a number from 1 to 1000000, not \"%2\"").arg(name, *v);
                return std::nullopt;
            }
            (name == u"--max-connections"                   ? options.maxConnections
                    : name == u"--max-connections-per-address" ? options.maxConnectionsPerAddress
                                                               : options.registrationBurst)
                = count;
        } else {
            *error = QStringLiteral("unknown argument \"%1\"\n\n%2").arg(arguments[i], usage());
            return std::nullopt;
        }
    }
    if (!dataDirGiven)
        options.dataDir = defaultDataDir();
    return options;
}
