#include "ServerProcess.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>

#include <sys/prctl.h>

namespace testsupport {

ServerProcess::ServerProcess()
    : ServerProcess(Options {})
{
}

ServerProcess::ServerProcess(Options options)
    : m_options(std::move(options))
    , m_dataDir(std::make_unique<QTemporaryDir>())
{
}

ServerProcess::~ServerProcess()
{
    if (isRunning())
        stop();
}

QString ServerProcess::binaryPath()
{
    const QString fromEnvironment = qEnvironmentVariable("MORVANE_SERVER_BINARY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
#ifdef MORVANE_SERVER_BINARY
    return QStringLiteral(MORVANE_SERVER_BINARY);
#else
    return {};
#endif
}

QString ServerProcess::dataDir() const
{
    return m_dataDir->path() + QStringLiteral("/data");
}

bool ServerProcess::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

qint64 ServerProcess::processId() const
{
    return isRunning() ? m_process->processId() : 0;
}

QUrl ServerProcess::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}

QUrl ServerProcess::wsUrl() const
{
    return QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port));
}

QByteArray ServerProcess::serverLog()
{
    if (m_process)
        m_log += m_process->readAllStandardError();
    return m_log;
}

int ServerProcess::runOnce(const QStringList& arguments, QByteArray* errorOutput, int timeoutMs)
{
    QProcess process;
    process.start(binaryPath(), QStringList { QStringLiteral("--data-dir"), dataDir() } + arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (errorOutput)
        *errorOutput = process.readAllStandardError();
    if (!finished) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool ServerProcess::start(int timeoutMs)
{
    if (isRunning()) {
        m_error = QStringLiteral("already running");
        return false;
    }
    const QString binary = binaryPath();
    if (binary.isEmpty() || !QFileInfo(binary).isExecutable()) {
        m_error = QStringLiteral("morvane-server binary not found (\"%1\")").arg(binary);
        return false;
    }
    if (!m_dataDir->isValid()) {
        m_error = QStringLiteral("cannot create a temporary directory");
        return false;
    }
    // A restart keeps the port, so that clients of the first run find the server again.
    QStringList arguments { QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"), QString::number(m_port),
                            QStringLiteral("--data-dir"), dataDir() };
    if (m_options.demo)
        arguments << QStringLiteral("--demo");
    if (m_options.tokenTtl >= 0)
        arguments << QStringLiteral("--token-ttl") << QString::number(m_options.tokenTtl);
    if (m_options.registrationBurst > 0)
        arguments << QStringLiteral("--registration-burst") << QString::number(m_options.registrationBurst);
    arguments << m_options.extraArguments;

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    // A test that crashes runs no destructor: the kernel ends the server with it.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process->start(binary, arguments);
    if (!m_process->waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(binary, m_process->errorString());
        return false;
    }

    static const QRegularExpression firstLine(QStringLiteral("^listening on http://([^\\s]+):(\\d+)\\s*$"));
    QByteArray output;
    const QDeadlineTimer deadline(timeoutMs);
    while (!output.contains('\n')) {
        if (m_process->state() == QProcess::NotRunning || deadline.hasExpired()) {
            m_error = QStringLiteral("the server did not announce its port; its log:\n") + QString::fromUtf8(serverLog());
            kill();
            return false;
        }
        m_process->waitForReadyRead(int(qBound(qint64(1), deadline.remainingTime(), qint64(200))));
        output += m_process->readAllStandardOutput();
    }
    const QString line = QString::fromUtf8(output.left(output.indexOf('\n')));
    const QRegularExpressionMatch match = firstLine.match(line);
    if (!match.hasMatch()) {
        m_error = QStringLiteral("unexpected first line: ") + line;
        kill();
        return false;
    }
    m_port = quint16(match.captured(2).toUInt());
    return true;
}

bool ServerProcess::stop(int timeoutMs)
{
    if (!isRunning())
        return false;
    m_process->terminate();
    const bool exited = m_process->waitForFinished(timeoutMs);
    serverLog();
    if (!exited) {
        kill();
        m_error = QStringLiteral("the server did not stop within %1 ms").arg(timeoutMs);
        return false;
    }
    return m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
}

void ServerProcess::kill()
{
    if (!isRunning())
        return;
    m_process->kill();
    m_process->waitForFinished(5000);
    serverLog();
}

bool ServerProcess::restart(int timeoutMs)
{
    if (isRunning())
        stop();
    return start(timeoutMs);
}

} // namespace testsupport
