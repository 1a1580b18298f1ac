#pragma once

// Starts the built morvane-server as a child process for end-to-end tests: a free
// loopback port ("--port 0"), a temporary data directory (kept across restart()),
// optional demo data. The port is read from the server's first output line. The
// server ends with the test process, however that ends.

#include "Patience.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

namespace testsupport {

class ServerProcess {
public:
    struct Options {
        bool demo = false;
        // Access-token lifetime in seconds; absent keeps the server's default.
        qint64 tokenTtl = -1;
        QStringList extraArguments;
        // Registrations one address may make at once: tests make many accounts from
        // 127.0.0.1. 0 keeps the server's own limit.
        int registrationBurst = 1000000;
    };

    ServerProcess();
    explicit ServerProcess(Options options);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts the server and waits until it listens; false (see errorString()) when
    // the binary is missing, exits or does not announce its port in time.
    bool start(int timeoutMs = kPatienceMs);
    // SIGTERM, then waits for a clean exit (killing it after timeoutMs).
    // Returns true when the server exited by itself with status 0.
    bool stop(int timeoutMs = kPatienceMs);
    // SIGKILL: the server gets no chance to clean up (crash tests).
    void kill();
    // Stops (when running) and starts again on the same data directory and port.
    bool restart(int timeoutMs = kPatienceMs);

    // Runs the server binary once more on the same data directory with these further
    // arguments (such as "--set-role NAME ROLE"), whether or not the server is running.
    // Returns its exit code, or -1 when it did not finish; errorOutput gets its stderr.
    int runOnce(const QStringList& arguments, QByteArray* errorOutput = nullptr, int timeoutMs = kPatienceMs);

    quint16 port() const { return m_port; }
    // The running server's process id (0 when it is not running).
    qint64 processId() const;
    // "http://127.0.0.1:PORT" (no trailing slash) and "ws://127.0.0.1:PORT/ws".
    QUrl baseUrl() const;
    QUrl wsUrl() const;
    QString errorString() const { return m_error; }
    // The data directory the server is (or will be) started on.
    QString dataDir() const;
    // Everything the server wrote to standard error so far.
    QByteArray serverLog();

private:
    // Where the binary is looked for (the build's morvane-server unless
    // MORVANE_SERVER_BINARY is set in the environment).
    static QString binaryPath();
    bool isRunning() const;

    Options m_options;
    std::unique_ptr<QTemporaryDir> m_dataDir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QString m_error;
    QByteArray m_log;
};

} // namespace testsupport
