// Times decoding a "messages.list" reply of 10,000 messages: (a) parsing the bytes
// into a JSON document alone, (b) parsing plus decoding into Message records.
// Prints the best of several runs of each and the ratio b/a.

#include "models/Json.h"
#include "models/Message.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr int messageCount = 10000;
constexpr int runs = 15;

QByteArray buildReply()
{
    const QStringList texts {
        u"你好，今天下午三点开会吗？"_s,
        u"好的 👍 我马上到"_s,
        u"Let's ship it 🚀🚀"_s,
        u"这个方案我觉得还可以再优化一下，尤其是缓存那部分 🤔"_s,
        u"哈哈哈😂😂"_s,
        u"Chúng ta gặp nhau ở đâu?"_s,
        u"收到"_s,
    };
    const QStringList names { u"张伟"_s, u"王芳"_s, u"Lena"_s, u"李娜 🌸"_s, u"Nguyễn Văn An"_s };
    const QStringList emojis { u"👍"_s, u"❤️"_s, u"😂"_s, u"🎉"_s };

    QJsonArray messages;
    for (int i = 0; i < messageCount; ++i) {
        const qint64 id = 9007199254740993LL + i; // ids beyond 2^53 must stay exact
        const int sender = i % names.size();
        QJsonObject m {
            { u"id"_s, id },
            { u"conversationId"_s, qint64(4200) },
            { u"senderId"_s, qint64(1000 + sender) },
            { u"status"_s, i % 3 ? u"read"_s : u"delivered"_s },
            { u"createdAt"_s, u"2026-12-06T10:%1:%2.000Z"_s.arg(i / 60 % 60, 2, 10, QChar(u'0')).arg(i % 60, 2, 10, QChar(u'0')) },
            { u"serverMsgId"_s, u"srv-%1"_s.arg(id) },
            { u"clientMessageId"_s, u"cli-1733480000000-%1"_s.arg(i) },
            { u"sender"_s,
              QJsonObject { { u"id"_s, qint64(1000 + sender) },
                            { u"name"_s, names[sender] },
                            { u"avatar"_s, u"https://cdn.example.com/avatars/%1.png"_s.arg(1000 + sender) } } },
            { u"readCount"_s, qint64(i % 7) },
        };
        if (i % 10 == 9) {
            m.insert(u"type"_s, u"file"_s);
            m.insert(u"content"_s, u"季度报告.pdf"_s);
            m.insert(u"fileUrl"_s, u"https://cdn.example.com/files/%1.pdf"_s.arg(i));
            m.insert(u"fileName"_s, u"季度报告.pdf"_s);
            m.insert(u"fileSize"_s, qint64(1048576 + i));
            m.insert(u"fileMimeType"_s, u"application/pdf"_s);
        } else {
            m.insert(u"type"_s, u"text"_s);
            m.insert(u"content"_s, texts[i % texts.size()]);
        }
        const int reactionCount = i % 4;
        if (reactionCount > 0) {
            QJsonArray reactions;
            for (int r = 0; r < reactionCount; ++r) {
                reactions.append(QJsonObject { { u"messageId"_s, id },
                                               { u"userId"_s, qint64(1000 + r) },
                                               { u"emoji"_s, emojis[r] },
                                               { u"userName"_s, names[r] } });
            }
            m.insert(u"reactions"_s, reactions);
        }
        messages.append(m);
    }
    const QJsonObject reply { { u"result"_s, QJsonObject { { u"data"_s, QJsonObject { { u"json"_s, messages } } } } } };
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

// The result of each run is released after its timer stops, so neither side pays
// for freeing what it produced.
template <typename F>
double bestMilliseconds(F&& work)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto result = work();
        best = std::min(best, timer.nsecsElapsed());
    }
    return double(best) / 1e6;
}

// Decoding also frees the document it parsed, which (a) does not; this is that share of (b).
double bestReleaseMilliseconds(const QByteArray& bytes)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        QJsonDocument doc = QJsonDocument::fromJson(bytes);
        QElapsedTimer timer;
        timer.start();
        doc = QJsonDocument();
        best = std::min(best, timer.nsecsElapsed());
    }
    return double(best) / 1e6;
}

QList<Message> decodeReply(const QByteArray& bytes)
{
    const json::Reader envelope(json::parse(bytes), json::Path {});
    const json::Path resultPath = envelope.path().child("result"_L1);
    const json::Reader result(envelope.value("result"_L1), resultPath);
    const json::Path dataPath = resultPath.child("data"_L1);
    const json::Reader data(result.value("data"_L1), dataPath);
    return data.required<QList<Message>>("json"_L1);
}

} // namespace

int main()
{
    const QByteArray bytes = buildReply();

    const double parseMs = bestMilliseconds([&] { return QJsonDocument::fromJson(bytes); });
    const double decodeMs = bestMilliseconds([&] { return decodeReply(bytes); });
    const double releaseMs = bestReleaseMilliseconds(bytes);

    const QList<Message> decoded = decodeReply(bytes);
    const qint64 lastId = 9007199254740993LL + messageCount - 1;
    if (decoded.size() != messageCount || decoded.last().id != lastId || !decoded.first().senderName) {
        std::fprintf(stderr, "decoding went wrong: %lld messages\n", static_cast<long long>(decoded.size()));
        return 1;
    }

    std::printf("reply: %d messages, %lld bytes; best of %d runs\n", messageCount,
                static_cast<long long>(bytes.size()), runs);
    std::printf("(a) parse only:        %8.2f ms\n", parseMs);
    std::printf("(b) parse and decode:  %8.2f ms\n", decodeMs);
    std::printf("  of which freeing the parsed document: %.2f ms\n", releaseMs);
    std::printf("ratio b/a:             %8.2f (target <= 2.0)\n", decodeMs / parseMs);
    return 0;
}
