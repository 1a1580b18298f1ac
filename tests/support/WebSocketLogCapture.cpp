#include "WebSocketLogCapture.h"

namespace {
WebSocketLogCapture* active = nullptr;
}

WebSocketLogCapture::WebSocketLogCapture()
{
    active = this;
    m_previous = qInstallMessageHandler(&WebSocketLogCapture::handle);
}

WebSocketLogCapture::~WebSocketLogCapture()
{
    qInstallMessageHandler(m_previous);
    active = nullptr;
}

QStringList WebSocketLogCapture::linesStartingWith(const QString& prefix) const
{
    QStringList out;
    for (const QString& line : m_lines) {
        if (line.startsWith(prefix))
            out.append(line);
    }
    return out;
}

void WebSocketLogCapture::handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!active)
        return;
    if (message.startsWith(QLatin1StringView("[WS] ")))
        active->m_lines.append(message);
    if (active->m_previous)
        active->m_previous(type, context, message);
}
