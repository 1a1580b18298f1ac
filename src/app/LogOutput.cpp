#include "app/LogOutput.h"

#include <QRegularExpression>
#include <QtGlobal>

#include <atomic>

namespace {

std::atomic<std::FILE*> sink { stdout };

void writeLine(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    const QByteArray line = LogOutput::masked(message).toUtf8() + '\n';
    std::FILE* out = sink.load();
    std::fwrite(line.constData(), 1, size_t(line.size()), out);
    std::fflush(out);
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

namespace LogOutput {

void install(std::FILE* out)
{
    sink.store(out);
    qInstallMessageHandler(writeLine);
}

QString masked(const QString& line)
{
    // A frame or a reply printed whole: the value of any key naming a secret.
    static const QRegularExpression jsonSecret(QStringLiteral(
        R"RE(("(?:token|accessToken|refreshToken|refresh_token|auth_token|password|sessionToken)"\s*:\s*")(?:[^"\\]|\\.)*")RE"));
    // An Authorization header.
    static const QRegularExpression bearer(QStringLiteral(R"RE((Bearer\s+)[A-Za-z0-9._~+/=-]+)RE"));
    QString result = line;
    result.replace(jsonSecret, QStringLiteral("\\1***\""));
    result.replace(bearer, QStringLiteral("\\1***"));
    return result;
}

} // namespace LogOutput
