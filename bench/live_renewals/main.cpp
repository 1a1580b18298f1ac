// Live delivery across token renewals. Bob sends to Alice every few milliseconds
// through his channel while both clients renew their short-lived tokens over and
// over (the server's --token-ttl). Counts the messages the server acknowledged to
// Bob that never reached Alice's channel live (only a catch-up would bring them),
// those she got twice, and how often Bob saw her go offline.
//
// Run from the build directory: bench/live_renewals/bench_live_renewals [seconds [ttl [intervalMs [busyMs]]]]
// (defaults 60 s, a 3 s token lifetime, one message every 5 ms, and a client that is
// never held; busyMs holds its event loop that long every 100 ms, as a slow machine would).

#include "ServerClient.h"
#include "ServerProcess.h"
#include "TaskRunner.h"

#include "state/common/LocalizationManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QJsonObject>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;
using testsupport::runTask;
using testsupport::ServerClient;
using testsupport::ServerProcess;

namespace {

int g_authSuccesses = 0;
int g_handoverGaps = 0;

// Keeps the channel's chatter off the terminal; counts what the figures need.
void quietHandler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (message.startsWith(u"[WS] Auth success"))
        ++g_authSuccesses;
    else if (message.startsWith(u"[WS] The replaced connection closed"))
        ++g_handoverGaps;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.size() > 1 ? args.at(1).toInt() : 60;
    const int ttl = args.size() > 2 ? args.at(2).toInt() : 3;
    const int intervalMs = args.size() > 3 ? args.at(3).toInt() : 5;
    // A slow machine: every 100 ms the client's event loop is held this long.
    const int busyMs = args.size() > 4 ? args.at(4).toInt() : 0;

    ServerProcess server(ServerProcess::Options { true, ttl, {} });
    if (!server.start()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    qInstallMessageHandler(quietHandler);
    LocalizationManager::shared().setLanguage(AppLanguage::en);
    ServerClient alice(server);
    ServerClient bob(server);
    if (!alice.signIn(u"alice"_s, u"alice123"_s) || !alice.connect() || !bob.signIn(u"bob"_s, u"bob12345"_s) || !bob.connect()) {
        std::fprintf(stderr, "could not sign in\n");
        return 1;
    }
    const QList<qint64> members { alice.id() };
    const qint64 conversationId = runTask(bob.chat.createConversation(u"private"_s, std::nullopt, members));

    QSet<qint64> acknowledged;
    QHash<qint64, int> received;
    int offlineSeen = 0;
    int failed = 0;
    QObject::connect(&bob.ws, &WebSocketService::messageAckSubject, &bob.ws,
                     [&](const QString&, const QString&, qint64 messageId) { acknowledged.insert(messageId); });
    QObject::connect(&bob.ws, &WebSocketService::messageFailedSubject, &bob.ws,
                     [&](const QString& clientMsgId, const std::optional<QString>& reason) {
                         ++failed;
                         std::fprintf(stderr, "failed %s: %s\n", qPrintable(clientMsgId), qPrintable(reason.value_or(u"no answer"_s)));
                     });
    QObject::connect(&bob.ws, &WebSocketService::presenceSubject, &bob.ws, [&](qint64 userId, bool online) {
        if (userId == alice.id() && !online)
            ++offlineSeen;
    });
    QObject::connect(&alice.ws, &WebSocketService::newMessageSubject, &alice.ws, [&](const Message& message) {
        if (message.conversationId == conversationId)
            ++received[message.id];
    });

    int sent = 0;
    QTimer sender;
    sender.setInterval(intervalMs);
    QObject::connect(&sender, &QTimer::timeout, &bob.ws, [&] {
        const QJsonObject payload { { u"clientMsgId"_s, bob.clientIds.generateClientId() },
                                    { u"conversationId"_s, conversationId },
                                    { u"type"_s, u"text"_s },
                                    { u"content"_s, u"renewal %1"_s.arg(sent++) } };
        bob.ws.sendChatMessage(QJsonObject { { u"type"_s, u"message_send"_s }, { u"payload"_s, payload } });
    });
    QTimer busy;
    busy.setInterval(100);
    QObject::connect(&busy, &QTimer::timeout, &busy, [busyMs] {
        QElapsedTimer held;
        held.start();
        while (held.elapsed() < busyMs) {
        }
    });
    if (busyMs > 0)
        busy.start();
    const int authBefore = g_authSuccesses;
    sender.setTimerType(Qt::PreciseTimer);
    sender.start();
    // A plain event loop: QTest::qWait would sleep between its turns, unlike the application.
    QEventLoop running;
    QTimer::singleShot(seconds * 1000, &running, &QEventLoop::quit);
    running.exec();
    sender.stop();
    if (!QTest::qWaitFor([&] { return bob.ws.unacknowledgedMessages().isEmpty(); }, 60000))
        std::fprintf(stderr, "some messages were never answered\n");
    // Deliveries follow their acknowledgements closely; give the last ones time to land.
    QTest::qWait(3000);

    int missed = 0;
    int twice = 0;
    for (const qint64 id : std::as_const(acknowledged)) {
        const int copies = received.value(id);
        missed += copies == 0;
        twice += copies > 1;
    }
    std::printf("sent %d, acknowledged %lld, failed %d\n", sent, qint64(acknowledged.size()), failed);
    std::printf("renewals (accepted connections of both) %d, handover gaps %d\n", g_authSuccesses - authBefore, g_handoverGaps);
    std::printf("missed live %d, received twice %d, Alice offline to Bob %d\n", missed, twice, offlineSeen);
    // What went wrong on the server's side, if anything did.
    const QList<QByteArray> serverLines = server.serverLog().split('\n');
    int shown = 0;
    for (const QByteArray& line : serverLines) {
        if (line.contains("failed") && shown++ < 10)
            std::printf("server: %s\n", line.constData());
    }
    alice.ws.disconnect();
    bob.ws.disconnect();
    return 0;
}
