// Reading a long chat back: older pages of 50 messages loaded one after another into
// the chat screen, hosted as the app hosts it, through the real state object, service
// and HTTP client against an in-process server answering canned pages. Times a page
// (request, decoding, insertion, layout and one paint of the list) when 100 and when
// 10,000 messages are loaded, and the resident memory each loaded message costs.
// Run from the build directory: QT_QPA_PLATFORM=offscreen bench/chat_paging/bench_chat_paging

#include "RecordingHttpServer.h"
#include "TaskRunner.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketClock.h"
#include "network/WebSocketService.h"
#include "services/ChatService.h"
#include "state/chat/ChatViewModel.h"
#include "state/chat/UnsentMessages.h"
#include "state/common/NotificationCenter.h"
#include "views/chat/ChatView.h"
#include "views/chat/MessageListView.h"
#include "views/common/Appearance.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 Me = 1;
constexpr qint64 ChatId = 42;
constexpr int PageSize = 50;
constexpr int Loaded = 10000;
constexpr int TimedPages = 5;
const QString ListPath = u"/api/trpc/messages.list"_s;

qint64 residentBytes()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

// A message as the server writes it; the newest has the highest id.
QJsonObject messageJson(qint64 id)
{
    static const QStringList texts {
        u"Morning! Are we still on for lunch?"_s,
        u"好的，我们十二点在楼下见 👍"_s,
        u"I pushed the fix for the login screen. It should build cleanly now; let me know if the tests still fail."_s,
        u"ok"_s,
        u"Chúng ta gặp nhau ở đâu?"_s,
    };
    const qint64 sender = id % 3 == 0 ? Me : 2;
    const QString name = sender == Me ? u"Me"_s : u"Lin Wei 林伟"_s;
    const QString avatar = u"https://cdn.example.com/avatars/%1.png"_s.arg(sender);
    QJsonArray reactions;
    if (id % 7 == 0)
        reactions.append(QJsonObject { { u"messageId"_s, id }, { u"userId"_s, 2 }, { u"emoji"_s, u"👍"_s }, { u"userName"_s, u"Lin Wei 林伟"_s } });
    return QJsonObject {
        { u"id"_s, id },
        { u"conversationId"_s, ChatId },
        { u"senderId"_s, sender },
        { u"type"_s, u"text"_s },
        { u"content"_s, texts.at(id % texts.size()) },
        { u"status"_s, u"read"_s },
        { u"serverMsgId"_s, u"3f2b8c1e-0d4a-4c52-9e1b-%1"_s.arg(id, 12, 10, QChar(u'0')) },
        { u"clientMessageId"_s, u"cli-1733480000000-%1"_s.arg(id) },
        { u"createdAt"_s, u"2026-12-06T10:%1:%2.000Z"_s.arg(id / 60 % 60, 2, 10, QChar(u'0')).arg(id % 60, 2, 10, QChar(u'0')) },
        { u"sender"_s, QJsonObject { { u"id"_s, sender }, { u"name"_s, name }, { u"avatar"_s, avatar } } },
        { u"senderName"_s, name },
        { u"senderAvatar"_s, avatar },
        { u"reactions"_s, reactions },
    };
}

// The reply for the page at offset: newest first.
RecordingHttpServer::Reply pageReply(qint64 newestId, int offset)
{
    QJsonArray page;
    for (int i = 0; i < PageSize; ++i)
        page.append(messageJson(newestId - offset - i));
    const QJsonObject envelope { { u"result"_s, QJsonObject { { u"data"_s, QJsonObject { { u"json"_s, page } } } } } };
    return { 200, json::serialize(envelope) };
}

double msSince(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Walk {
    std::vector<double> early; // pages loaded onto 100 messages and the next few
    std::vector<double> late; // pages loaded onto 10,000 and the next few
    // The same pages from the moment their messages go into the list: the share
    // that depends on what is already listed.
    std::vector<double> earlyInsertion;
    std::vector<double> lateInsertion;
    qint64 bytesAt100 = 0;
    qint64 bytesAtLoaded = 0;
    qint64 largestStep = 0; // largest change of resident memory from one page to the next
};

// One chat screen read back from its newest page to beyond 10,000 loaded messages.
Walk walk()
{
    constexpr int pages = Loaded / PageSize + TimedPages;
    constexpr qint64 newestId = 1'000'000;
    RecordingHttpServer server;
    server.respond(u"/api/trpc/conversations.markAsRead"_s, { 200, R"({"result":{"data":{"json":null}}})" });
    for (int i = 0; i <= pages; ++i)
        server.respondOnce(ListPath, pageReply(newestId, i * PageSize));

    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    keychain.saveText(u"token"_s, u"auth_token"_s);
    ClientIdService clientIds { keychain };
    APIClient api { server.baseUrl(), keychain };
    ChatService chat { api };
    WebSocketService ws { u"ws://127.0.0.1:9/ws"_s, WebSocketClock::system(), keychain, clientIds };
    NotificationCenter notifications;
    UnsentMessages unsent { ws };
    ChatViewModel::Dependencies deps { &chat, &ws, &clientIds, &keychain, &api, &notifications, StateTimer::systemFactory(), &unsent };

    Walk result;
    {
        ChatView view(std::make_unique<ChatViewModel>(ChatId, Me, deps), u"Lin Wei 林伟"_s);
        view.resize(900, 700);
        view.show();
        ChatViewModel* vm = view.viewModel();
        while (vm->messages().size() < PageSize || vm->isLoading())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        MessageListView* list = view.messageList();
        QImage target(list->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        qint64 lastBytes = residentBytes();
        QElapsedTimer insertion;
        QObject::connect(vm, &ChatViewModel::messagesAboutToBeInserted, [&] { insertion.start(); });
        for (int i = 1; i <= pages; ++i) {
            const qsizetype before = vm->messages().size();
            QElapsedTimer timer;
            timer.start();
            testsupport::runTask(vm->loadMoreMessages());
            QApplication::processEvents();
            list->viewport()->render(&target);
            const double ms = msSince(timer);
            const double insertionMs = msSince(insertion);
            if (before >= 100 && before < 100 + TimedPages * PageSize) {
                result.early.push_back(ms);
                result.earlyInsertion.push_back(insertionMs);
            }
            if (before >= Loaded) {
                result.late.push_back(ms);
                result.lateInsertion.push_back(insertionMs);
            }
            const qint64 bytes = residentBytes();
            if (before + PageSize == 100)
                result.bytesAt100 = bytes;
            if (before + PageSize == Loaded)
                result.bytesAtLoaded = bytes;
            if (before >= 100)
                result.largestStep = std::max(result.largestStep, std::abs(bytes - lastBytes));
            lastBytes = bytes;
        }
    }
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    Appearance::install();

    std::vector<double> early;
    std::vector<double> late;
    std::vector<double> earlyInsertion;
    std::vector<double> lateInsertion;
    Walk first;
    for (int run = 0; run < 3; ++run) {
        const Walk w = walk();
        if (run == 0)
            first = w;
        early.insert(early.end(), w.early.begin(), w.early.end());
        late.insert(late.end(), w.late.begin(), w.late.end());
        earlyInsertion.insert(earlyInsertion.end(), w.earlyInsertion.begin(), w.earlyInsertion.end());
        lateInsertion.insert(lateInsertion.end(), w.lateInsertion.begin(), w.lateInsertion.end());
    }
    const double earlyMs = median(early);
    const double lateMs = median(late);
    const double perMessage = double(first.bytesAtLoaded - first.bytesAt100) / (Loaded - 100);
    std::printf("older page of %d at 100 loaded:    %7.2f ms (median of %zu)\n", PageSize, earlyMs, early.size());
    std::printf("older page of %d at %d loaded: %7.2f ms (median of %zu)\n", PageSize, Loaded, lateMs, late.size());
    std::printf("  of which insertion, layout and paint: %.2f ms at 100, %.2f ms at %d (ratio %.2f)\n",
                median(earlyInsertion), median(lateInsertion), Loaded, median(lateInsertion) / median(earlyInsertion));
    std::printf("older page ratio at %d/100 loaded: %.2f (target <= 1.3)\n", Loaded, lateMs / earlyMs);
    std::printf("memory per loaded message: %.0f bytes (target <= 1024)\n", perMessage);
    std::printf("largest change of resident memory from one page to the next: %.0f KiB (a page is %d messages)\n",
                double(first.largestStep) / 1024, PageSize);
    return 0;
}
