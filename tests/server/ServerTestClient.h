#pragma once

// Small blocking drivers for end-to-end tests of morvane-server: HTTP calls through
// QNetworkAccessManager and a WebSocket that collects the frames it receives.

#include "Patience.h"
#include "models/Json.h"

#include <QDebug>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QNetworkAccessManager>
#include <QUrl>
#include <QWebSocket>

#include <memory>
#include <optional>

// The value decoded as a client record, or nothing; why goes to the test log.
template <typename T>
std::optional<T> decoded(const QJsonValue& value)
{
    try {
        return json::decode<T>(value);
    } catch (const json::DecodeError& error) {
        qWarning().noquote() << error.description();
        return std::nullopt;
    }
}

// Of /proc/PID/status: a process's resident memory now ("VmRSS:") or at its peak
// ("VmHWM:"), in KiB; -1 when it cannot be read.
qint64 processMemoryKiB(qint64 pid, const QByteArray& field);

struct HttpResult {
    int status = 0; // 0: no HTTP answer at all
    QByteArray body;
    QByteArray contentType;
    // Every answer header, by its name in lower case.
    QMap<QByteArray, QByteArray> headers;
    QJsonValue json() const;
    // The procedure result value, {"result":{"data":{"json": value}}}.
    QJsonValue data() const;
    // The message of either error form.
    QString errorMessage() const;
};

class ApiClient {
public:
    explicit ApiClient(QUrl base);

    QString token;
    // Sent as Accept-Language. English unless a test asks for another: left empty,
    // Qt would send the machine's language and the answers would follow it.
    QByteArray language = "en";

    HttpResult get(const QString& path);
    HttpResult post(const QString& path, const QByteArray& body, const QByteArray& contentType = "application/json");
    HttpResult postJson(const QString& path, const QJsonObject& body);
    HttpResult query(const QString& procedure, const std::optional<QJsonValue>& input = std::nullopt);
    HttpResult mutation(const QString& procedure, const std::optional<QJsonValue>& input = std::nullopt);

    // Registers (or logs in) and keeps the access token; returns the reply object.
    QJsonObject registerUser(const QString& username, const QString& password = QStringLiteral("secret123"),
        const QString& nickname = {});
    QJsonObject login(const QString& username, const QString& password);
    qint64 userId() const { return m_userId; }

private:
    HttpResult send(const QString& method, const QUrl& url, const QByteArray& body, const QByteArray& contentType);

    QUrl m_base;
    QNetworkAccessManager m_nam;
    qint64 m_userId = 0;
};

class LiveClient {
public:
    explicit LiveClient(QUrl wsUrl, QByteArray language = {});
    ~LiveClient();

    bool open(int timeoutMs = testsupport::kPatienceMs);
    // Opens, sends "auth" and waits for "auth_success".
    bool authenticate(const QString& token, qint64 userId, const QString& deviceId = QStringLiteral("test-device"));
    void sendFrame(const QString& type, const QJsonObject& payload);
    void sendText(const QString& text);
    void sendBinary(const QByteArray& bytes);
    // The first received frame of this type not taken before (waiting for it when needed).
    std::optional<QJsonObject> waitFor(const QString& type, int timeoutMs = testsupport::kPatienceMs);
    // Every frame received before the first one of this type (waiting for it when
    // needed), in order; all of them, that one included, count as taken.
    QList<QJsonObject> framesBefore(const QString& type, int timeoutMs = testsupport::kPatienceMs);
    // Waits until the server has handled whatever reached it, on any connection,
    // before this call (two ping round trips); false when a pong did not come.
    bool serverCaughtUp();
    // True when no frame of this type has arrived once the server caught up.
    bool staysQuiet(const QString& type);
    bool waitForClose(int timeoutMs = testsupport::kPatienceMs);
    int closeCode() const { return m_closeCode; }
    bool isOpen() const;

private:
    QUrl m_url;
    // The upgrade's Accept-Language; none when empty.
    QByteArray m_language;
    std::unique_ptr<QWebSocket> m_socket;
    QList<QJsonObject> m_frames;
    bool m_closed = false;
    int m_closeCode = -1;
};
