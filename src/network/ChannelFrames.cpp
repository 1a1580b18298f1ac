#include "network/ChannelFrames.h"

#include <QDebug>
#include <QJsonDocument>
#include <QWebSocket>

namespace channelframe {

QJsonObject make(const QString& type, const QJsonObject& payload)
{
    return QJsonObject { { QStringLiteral("type"), type }, { QStringLiteral("payload"), payload } };
}

QString text(const QJsonObject& frame)
{
    return QString::fromUtf8(QJsonDocument(frame).toJson(QJsonDocument::Compact));
}

QString summary(const QJsonObject& frame, const QString& text)
{
    QString summary = frame.value(QLatin1StringView("type")).toString().left(64);
    const QJsonObject payload = frame.value(QLatin1StringView("payload")).toObject();
    for (const char* key : { "clientMsgId", "conversationId", "messageId", "userId" }) {
        const QJsonValue value = payload.value(QLatin1StringView(key));
        if (value.isDouble())
            summary += QStringLiteral(" %1=%2").arg(QLatin1StringView(key)).arg(value.toInteger());
        else if (value.isString())
            summary += QStringLiteral(" %1=%2").arg(QLatin1StringView(key), value.toString().left(64));
    }
    return summary + QStringLiteral(" (%1 bytes)").arg(text.toUtf8().size());
}

void write(QWebSocket* socket, const QString& text)
{
    const qint64 sent = socket->sendTextMessage(text);
    if (sent != text.toUtf8().size()) {
        const QString reason = socket->state() == QAbstractSocket::ConnectedState ? socket->errorString()
                                                                                 : QStringLiteral("the socket is not open");
        qWarning().noquote() << QStringLiteral("[WS] Send error: ") + reason;
    }
}

} // namespace channelframe
