#include "state/chat/ConversationOrder.h"

#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace conversationOrder {

QString timeKey(const std::optional<QString>& time)
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

void sort(QList<Conversation>& conversations)
{
    struct Entry {
        bool pinned;
        QString key;
        Conversation conversation;
    };
    std::vector<Entry> entries;
    entries.reserve(conversations.size());
    for (Conversation& conversation : conversations) {
        const bool pinned = conversation.isPinned.value_or(false);
        QString key = timeKey(conversation.lastMessageTime);
        entries.push_back(Entry { pinned, std::move(key), std::move(conversation) });
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.pinned != b.pinned)
            return a.pinned;
        return a.key > b.key;
    });
    for (qsizetype i = 0; i < conversations.size(); ++i)
        conversations[i] = std::move(entries[size_t(i)].conversation);
}

} // namespace conversationOrder
