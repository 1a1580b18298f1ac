// The chat screen's message list offscreen with 100 and with 10,000 messages:
// time to paint one viewport, time to scroll to the bottom, and memory per message.
// Run from the build directory: QT_QPA_PLATFORM=offscreen bench/chat_view/bench_chat_view
// "--screenshot FILE" also saves a picture of a busy conversation.

#include "views/chat/MessageListModel.h"
#include "views/chat/MessageListView.h"
#include "views/common/Appearance.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 Me = 1;

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

QList<Message> conversation(int count)
{
    static const QStringList texts {
        QStringLiteral("Morning! Are we still on for lunch?"),
        QStringLiteral("好的，我们十二点在楼下见 👍"),
        QStringLiteral("I pushed the fix for the login screen. It should build cleanly now; let me know if the tests still fail on your machine."),
        QStringLiteral("ok"),
        QStringLiteral("Here is the long link you asked for: https://example.com/a/very/long/path/that/does/not/break/anywhere/at/all/really"),
    };
    QList<Message> list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        Message m;
        m.id = i + 1;
        m.conversationId = 1;
        m.senderId = i % 3 == 0 ? Me : 2;
        m.senderName = m.senderId == Me ? QStringLiteral("Me") : QStringLiteral("Lin Wei");
        m.type = QStringLiteral("text");
        m.content = texts.at(i % texts.size());
        m.status = QStringLiteral("read");
        m.createdAt = QStringLiteral("2025-03-10T08:%1:00Z").arg(i % 60, 2, 10, QLatin1Char('0'));
        if (i % 7 == 0)
            m.reactions = QList<MessageReaction> { { m.id, 2, QStringLiteral("\u2764\uFE0F"), std::nullopt } };
        list.append(m);
    }
    return list;
}

QList<Message> busyConversation()
{
    QList<Message> list;
    auto add = [&](qint64 sender, const QString& type, std::optional<QString> content) -> Message& {
        Message m;
        m.id = list.size() + 1;
        m.conversationId = 1;
        m.senderId = sender;
        m.senderName = sender == Me ? QStringLiteral("Me") : QStringLiteral("Lin Wei");
        m.type = type;
        m.content = std::move(content);
        m.status = QStringLiteral("read");
        m.createdAt = QStringLiteral("2025-03-10T08:%1:00Z").arg(list.size() * 3, 2, 10, QLatin1Char('0'));
        list.append(m);
        return list.last();
    };
    add(0, QStringLiteral("system"), QStringLiteral("Lin Wei joined the conversation"));
    add(2, QStringLiteral("text"), QStringLiteral("Hi! Did you get the photos from Saturday? 😂"));
    add(Me, QStringLiteral("text"), QStringLiteral("Yes, they're great. 周末愉快！")).reactions
        = QList<MessageReaction> { { 3, 2, QStringLiteral("\U0001F44D"), {} }, { 3, 4, QStringLiteral("\U0001F44D"), {} }, { 3, 2, QStringLiteral("\u2764\uFE0F"), {} } };
    add(2, QStringLiteral("image"), QStringLiteral("{\"url\":\"/uploads/beach.jpg\"}"));
    Message& file = add(Me, QStringLiteral("file"), std::nullopt);
    file.fileName = QStringLiteral("Quarterly report.pdf");
    file.fileSize = 1536000;
    file.status = QStringLiteral("delivered");
    add(2, QStringLiteral("voice"), QStringLiteral("12"));
    add(Me, QStringLiteral("video"), std::nullopt).status = QStringLiteral("sent");
    add(2, QStringLiteral("sticker"), std::nullopt);
    add(2, QStringLiteral("location"), QStringLiteral("{\"name\":\"Blue Bottle Coffee\"}"));
    add(Me, QStringLiteral("contact_card"), QStringLiteral("{\"name\":\"Anna Berg\"}"));
    add(2, QStringLiteral("text"), QStringLiteral("Oops, wrong chat")).revokedAt = QStringLiteral("2025-03-10T09:00:00Z");
    Message& edited = add(2, QStringLiteral("text"), QStringLiteral("See you at 7 (not 6)"));
    edited.editedAt = QStringLiteral("2025-03-10T09:01:00Z");
    add(Me, QStringLiteral("text"), QStringLiteral("On my way")).status = QStringLiteral("sending");
    return list;
}

double msSince(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

struct Figures {
    double paintMs;
    double scrollMs;
    qint64 bytes;
};

Figures measure(int count)
{
    const qint64 before = residentBytes();
    auto* view = new MessageListView(Me, {});
    view->resize(700, 600);
    view->show();
    view->setMessages(conversation(count));
    QApplication::processEvents();
    const qint64 after = residentBytes();

    QImage target(view->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> paints;
    for (int i = 0; i < 30; ++i) {
        QElapsedTimer timer;
        timer.start();
        view->viewport()->render(&target);
        paints.push_back(msSince(timer));
    }
    std::vector<double> scrolls;
    for (int i = 0; i < 30; ++i) {
        view->scrollToTop();
        view->viewport()->render(&target);
        QElapsedTimer timer;
        timer.start();
        view->scrollToBottom();
        view->viewport()->render(&target);
        scrolls.push_back(msSince(timer));
    }
    std::sort(paints.begin(), paints.end());
    std::sort(scrolls.begin(), scrolls.end());
    delete view;
    return { paints[paints.size() / 2], scrolls[scrolls.size() / 2], after - before };
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    Appearance::install();

    const QStringList args = QApplication::arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--screenshot")); at >= 0 && at + 1 < args.size()) {
        MessageListView view(Me, {});
        view.resize(640, 1250);
        view.show();
        view.setMessages(busyConversation());
        QApplication::processEvents();
        view.grab().save(args.at(at + 1));
        return 0;
    }

    measure(100); // warm up fonts, icons and caches
    const Figures small = measure(100);
    const Figures large = measure(10000);
    std::printf("messages   paint viewport (ms)   scroll to bottom (ms)\n");
    std::printf("%8d   %19.3f   %21.3f\n", 100, small.paintMs, small.scrollMs);
    std::printf("%8d   %19.3f   %21.3f\n", 10000, large.paintMs, large.scrollMs);
    std::printf("paint ratio 10000/100: %.2f (target <= 1.5)\n", large.paintMs / small.paintMs);
    std::printf("scroll ratio 10000/100: %.2f\n", large.scrollMs / small.scrollMs);
    std::printf("memory per message: %.0f bytes (target <= 3072)\n", double(large.bytes - small.bytes) / (10000 - 100));
    return 0;
}
