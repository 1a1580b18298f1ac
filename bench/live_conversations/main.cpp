// What one live message into a closed chat costs the conversation column, with 3
// and with 500 conversations: the list state takes the message, the row moves to
// the top, and the painted list shows it. Timed in the main thread's CPU time, so
// other work on a shared machine does not count; the median of many messages.
// The line that matters is the ratio 500/3 with three rows on screen: the cost of
// a message must not grow with the number of conversations. With a tall list the
// ratio also counts the rows on screen that a move repaints.
// Run from the build directory: QT_QPA_PLATFORM=offscreen bench/live_conversations/bench_live_conversations

#include "common/BenchClock.h"
#include "RecordingHttpServer.h"
#include "TaskRunner.h"

#include "network/APIClient.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketClock.h"
#include "network/WebSocketService.h"
#include "services/ChatService.h"
#include "services/GroupService.h"
#include "state/chat/ConversationListViewModel.h"
#include "state/common/NotificationCenter.h"
#include "views/chat/ConversationListView.h"

#include <QApplication>
#include <QDateTime>
#include <QListView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr qint64 me = 1;

const QDateTime start = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);

// Times as the server writes them, with an offset, one minute apart and older down the list.
QByteArray conversationsJson(int count)
{
    QByteArray json = "[";
    for (int i = 0; i < count; ++i) {
        if (i)
            json += ',';
        const QString time = start.addSecs(-60 * i).toOffsetFromUtc(8 * 3600).toString(Qt::ISODate);
        json += QStringLiteral(R"({"id":%1,"type":"group","name":"Hikers %1","memberCount":12,"lastMessage":"See you at the lake",)"
                               R"("lastMessageTime":"%2","lastMessageId":%1,"unreadCount":%3,"isPinned":%4})")
                    .arg(i + 1)
                    .arg(time)
                    .arg(i % 4)
                    .arg(i == 0 ? QStringLiteral("true") : QStringLiteral("false"))
                    .toUtf8();
    }
    return json + "]";
}

struct Client {
    RecordingHttpServer server;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    ClientIdService clientIds { keychain };
    APIClient api { server.baseUrl(), keychain };
    ChatService chat { api };
    GroupService groups { api };
    NotificationCenter notifications;
    WebSocketService ws { QStringLiteral("ws://127.0.0.1:9/ws"), WebSocketClock::system(), keychain, clientIds };
};

// CPU per live message, in milliseconds, with the list as tall as rows rows (the
// search row above it aside).
double perMessage(int count, int rows)
{
    Client client;
    client.server.respond(QStringLiteral("/api/trpc/conversations.list"),
        { 200, "{\"result\":{\"data\":{\"json\":" + conversationsJson(count) + "}}}" });
    ConversationListViewModel viewModel(me, { &client.chat, &client.groups, &client.ws, &client.notifications, StateTimer::systemFactory() });
    testsupport::runTask(viewModel.loadConversations());
    ConversationListView view(&viewModel);
    view.resize(320, 720);
    view.show();
    auto* list = view.findChild<QListView*>(QStringLiteral("conversationList"));
    while (!list->indexAt(QPoint(1, 1)).isValid())
        QCoreApplication::processEvents();
    view.resize(320, view.height() - list->viewport()->height() + rows * list->sizeHintForRow(0));
    bench::runUntilIdle();

    std::vector<double> costs;
    for (int i = 0; i < 41; ++i) {
        // The bottom row's chat gets a message: its row climbs to just below the pinned one.
        const Conversation bottom = viewModel.filteredConversations().last();
        Message message;
        message.id = 1000000 + i;
        message.conversationId = bottom.id;
        message.senderId = 2;
        message.type = QStringLiteral("text");
        message.content = QStringLiteral("Message %1").arg(i);
        message.createdAt = start.addSecs(i + 1).toString(Qt::ISODateWithMs);
        const double before = bench::threadCpuMs();
        Q_EMIT client.ws.newMessageSubject(message);
        bench::runUntilIdle();
        list->viewport()->repaint();
        costs.push_back(bench::threadCpuMs() - before);
        const int top = count > 1 ? 1 : 0;
        if (viewModel.filteredConversations().at(top).id != bottom.id
            || list->model()->index(top, 0).data().toString() != QStringLiteral("Hikers %1").arg(bottom.id)) {
            std::fprintf(stderr, "N=%d: the conversation with the new message is not shown on top\n", count);
            std::exit(1);
        }
    }
    return bench::median(costs);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Fonts, styles and the first paints warmed up before anything is measured.
    perMessage(3, 3);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // The ratio with the same rows on screen (three, all N=3 has): what is painted is
    // then the same, and the figure is what the number of conversations costs. With
    // a tall list, a screenful of rows moves down a place and is painted again.
    for (const int rows : { 3, 11 }) {
        std::vector<double> small, large;
        for (int run = 0; run < 5; ++run) {
            small.push_back(perMessage(3, rows));
            large.push_back(perMessage(500, rows));
        }
        const double smallCost = bench::median(small);
        const double largeCost = bench::median(large);
        std::printf("live message into a closed chat, %d rows shown, N=3: %.3f ms CPU\n", rows, smallCost);
        std::printf("live message into a closed chat, %d rows shown, N=500: %.3f ms CPU\n", rows, largeCost);
        std::printf("live message CPU ratio 500/3, %d rows shown: %.2f%s\n", rows, largeCost / smallCost,
            rows == 3 ? " (target <= 1.3)" : "");
    }
    return 0;
}
