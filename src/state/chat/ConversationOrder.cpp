#include "state/chat/ConversationOrder.h"

#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

QString ConversationOrder::timeKey(const std::optional<QString>& time)
{
    if (!time)
        return {};
    // Qt's ISO parsing alone is lenient (a date without a time passes), so the
    // shape is checked first.
    static const QRegularExpression shape(QStringLiteral(
        R"(^(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2})(?:\.(\d+))?(Z|[+-]\d{2}:\d{2})$)"));
    const QRegularExpressionMatch match = shape.match(*time);
    if (!match.hasMatch())
        return *time;
    const QString fraction = (match.captured(2) + QStringLiteral("000")).left(3);
    const QString normalized = match.captured(1) + u'.' + fraction + match.captured(3);
    const QDateTime instant = QDateTime::fromString(normalized, Qt::ISODateWithMs);
    if (!instant.isValid())
        return *time;
    return instant.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + u'Z';
}

ConversationOrder::Key ConversationOrder::keyOf(const Conversation& conversation)
{
    auto known = m_times.find(conversation.id);
    if (known == m_times.end() || known->written != conversation.lastMessageTime)
        known = m_times.insert(conversation.id, KnownTime { conversation.lastMessageTime, timeKey(conversation.lastMessageTime) });
    return Key { conversation.isPinned.value_or(false), known->key };
}

bool ConversationOrder::precedes(const Key& a, const Key& b)
{
    if (a.pinned != b.pinned)
        return a.pinned;
    return a.time > b.time;
}

void ConversationOrder::sort(QList<Conversation>& conversations)
{
    struct Entry {
        Key key;
        Conversation conversation;
    };
    std::vector<Entry> entries;
    entries.reserve(size_t(conversations.size()));
    for (Conversation& conversation : conversations) {
        Key key = keyOf(conversation);
        entries.push_back(Entry { std::move(key), std::move(conversation) });
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return precedes(a.key, b.key); });
    for (qsizetype i = 0; i < conversations.size(); ++i)
        conversations[i] = std::move(entries[size_t(i)].conversation);
}

qsizetype ConversationOrder::reposition(QList<Conversation>& conversations, qsizetype row)
{
    const Key moved = keyOf(conversations.at(row));
    // Among the others (in order), those that go before it come first and those that
    // go after it last; between them, the ties, among which it keeps its place.
    const auto others = [&](qsizetype i) -> const Conversation& { return conversations.at(i < row ? i : i + 1); };
    const qsizetype count = conversations.size() - 1;
    qsizetype low = 0;
    for (qsizetype high = count; low < high;) {
        const qsizetype middle = (low + high) / 2;
        if (precedes(keyOf(others(middle)), moved))
            low = middle + 1;
        else
            high = middle;
    }
    qsizetype after = low;
    for (qsizetype high = count; after < high;) {
        const qsizetype middle = (after + high) / 2;
        if (!precedes(moved, keyOf(others(middle))))
            after = middle + 1;
        else
            high = middle;
    }
    const qsizetype target = std::clamp(row, low, after);
    move(conversations, row, target);
    return target;
}

void ConversationOrder::move(QList<Conversation>& conversations, qsizetype from, qsizetype to)
{
    if (from == to)
        return;
    const auto rows = conversations.begin();
    Conversation moved = std::move(rows[from]);
    if (from < to)
        std::move(rows + from + 1, rows + to + 1, rows + from);
    else
        std::move_backward(rows + to, rows + from, rows + from + 1);
    rows[to] = std::move(moved);
}
