// morvane-server: the local messaging server the Morvane client talks to.

#include "MorvaneServer.h"
#include "RoleCommand.h"
#include "ServerOptions.h"
#include "ShutdownSignals.h"
#include "store/Database.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("morvane-server"));

    QString error;
    const auto options = ServerOptions::parse(app.arguments().mid(1), &error);
    if (!options) {
        const bool help = error == ServerOptions::usage();
        std::fprintf(help ? stdout : stderr, "%s\n", qPrintable(error));
        return help ? 0 : 2;
    }

    if (options->setRole)
        return runSetRole(*options);

    ShutdownSignals shutdownSignals;
    std::unique_ptr<MorvaneServer> server;
    try {
        server = std::make_unique<MorvaneServer>(*options);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "morvane-server: %s\n", failure.what());
        return 1;
    }
    const quint16 port = server->listen();
    if (port == 0) {
        std::fprintf(stderr, "morvane-server: cannot listen on %s port %u (in use, or not an address of this machine)\n",
            qPrintable(options->host), unsigned(options->port));
        return 1;
    }
    const QString shownHost = options->host.contains(u':') ? u'[' + options->host + u']' : options->host;
    std::printf("listening on http://%s:%u\n", qPrintable(shownHost), unsigned(port));
    std::fflush(stdout);
    qInfo().noquote() << "[Server] Data directory:" << options->dataDir;

    QObject::connect(&shutdownSignals, &ShutdownSignals::requested, &app, [&](int number) {
        qInfo().noquote() << "[Server] Signal" << number << "received, shutting down";
        server->shutdown();
        QCoreApplication::quit();
    });
    const int status = QCoreApplication::exec();
    server.reset();
    qInfo().noquote() << "[Server] Stopped";
    return status;
}
