#include "FuzzSupport.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace fuzzsupport {

void initialize()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = { name, nullptr };
    static QCoreApplication* const app = new QCoreApplication(argc, argv);
    Q_UNUSED(app);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

QString text(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(bytes(data, size));
}

void fail(const char* what, const QByteArray& detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.constData());
    std::abort();
}

} // namespace fuzzsupport
