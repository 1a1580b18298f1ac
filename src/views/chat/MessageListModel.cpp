#include "views/chat/MessageListModel.h"

#include "views/chat/MessageBubble.h"
#include "views/chat/MessageReading.h"
#include "views/common/Localized.h"
#include "views/common/ImageLoader.h"

namespace {

bool sameReactions(const std::optional<QList<MessageReaction>>& a, const std::optional<QList<MessageReaction>>& b)
{
    const qsizetype n = a ? a->size() : 0;
    if (n != (b ? b->size() : 0))
        return false;
    for (qsizetype i = 0; i < n; ++i)
        if (a->at(i).emoji != b->at(i).emoji)
            return false;
    return true;
}

// Records compare equal by id alone; a row must be redrawn when anything it shows changed.
bool looksTheSame(const Message& a, const Message& b)
{
    return a.id == b.id && a.senderId == b.senderId && a.type == b.type && a.content == b.content
        && a.fileUrl == b.fileUrl && a.fileName == b.fileName && a.fileSize == b.fileSize && a.status == b.status
        && a.editedAt == b.editedAt && a.revokedAt == b.revokedAt && a.createdAt == b.createdAt
        && a.senderName == b.senderName && a.senderAvatar == b.senderAvatar && sameReactions(a.reactions, b.reactions);
}

bool sameIds(const QList<Message>& a, qsizetype aFrom, const QList<Message>& b, qsizetype bFrom, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        if (a.at(aFrom + i).id != b.at(bFrom + i).id)
            return false;
    return true;
}

} // namespace

MessageListModel::MessageListModel(qint64 currentUserId, QObject* parent)
    : QAbstractListModel(parent)
    , m_currentUserId(currentUserId)
{
    connect(&ImageLoader::shared(), &ImageLoader::finished, this, &MessageListModel::remeasureRowsShowing);
}

int MessageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_messages.size()) + offset();
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (isLoadMoreRow(index.row())) {
        if (role == KindRole)
            return QStringLiteral("loadMore");
        if (role == Qt::AccessibleTextRole)
            return Localized::text("chat.load_more");
        return {};
    }
    const Message& message = messageAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return message.content.value_or(QString());
    case Qt::AccessibleTextRole:
        return MessageReading::text(message, isMine(index.row()));
    case KindRole:
        return QStringLiteral("message");
    case MessageIdRole:
        return message.id;
    default:
        return {};
    }
}

MessageListModel::Change MessageListModel::setMessages(const QList<Message>& messages)
{
    const qsizetype oldCount = m_messages.size();
    const qsizetype newCount = messages.size();
    Change change = Change::Reset;
    if (oldCount > 0 && newCount > oldCount && sameIds(messages, newCount - oldCount, m_messages, 0, oldCount)) {
        const int added = int(newCount - oldCount);
        beginInsertRows({}, offset(), offset() + added - 1);
        m_messages = messages;
        m_heights.insert(0, added, -1);
        endInsertRows();
        change = Change::Prepended;
    } else if (oldCount > 0 && newCount > oldCount && sameIds(messages, 0, m_messages, 0, oldCount)) {
        beginInsertRows({}, offset() + int(oldCount), offset() + int(newCount) - 1);
        const QList<Message> old = std::exchange(m_messages, messages);
        m_heights.resize(newCount, -1);
        endInsertRows();
        for (qsizetype i = 0; i < oldCount; ++i) {
            if (!looksTheSame(old.at(i), m_messages.at(i))) {
                m_heights[i] = -1;
                Q_EMIT dataChanged(index(offset() + int(i)), index(offset() + int(i)));
            }
        }
        change = Change::Appended;
    } else if (oldCount > 0 && newCount > oldCount && insertMissingRows(messages)) {
        change = Change::Inserted;
    } else if (oldCount > 0 && newCount == oldCount) {
        // Same length: an acknowledgement (new id), a status, reaction, edit or
        // revocation. Changed rows are redrawn in place.
        const QList<Message> old = std::exchange(m_messages, messages);
        change = Change::None;
        for (qsizetype i = 0; i < newCount; ++i) {
            if (!looksTheSame(old.at(i), m_messages.at(i))) {
                m_heights[i] = -1;
                change = Change::Updated;
                Q_EMIT dataChanged(index(offset() + int(i)), index(offset() + int(i)));
            }
        }
    } else {
        beginResetModel();
        m_messages = messages;
        m_heights = QList<int>(newCount, -1);
        m_loadMore = m_messages.size() >= LoadMoreThreshold;
        endResetModel();
    }
    syncLoadMore();
    return change;
}

void MessageListModel::beginInsertMessages(int first, int count)
{
    beginInsertRows({}, offset() + first, offset() + first + count - 1);
    m_inserting = Span { first, count };
    m_messages = QList<Message>();
}

void MessageListModel::endInsertMessages(const QList<Message>& messages)
{
    const Span insertion = *std::exchange(m_inserting, std::nullopt);
    m_messages = messages;
    m_heights.insert(insertion.first, insertion.count, -1);
    endInsertRows();
    syncLoadMore();
}

void MessageListModel::beginRemoveMessages(int first, int count)
{
    beginRemoveRows({}, offset() + first, offset() + first + count - 1);
    m_removing = Span { first, count };
    m_messages = QList<Message>();
}

void MessageListModel::endRemoveMessages(const QList<Message>& messages)
{
    const Span removal = *std::exchange(m_removing, std::nullopt);
    m_messages = messages;
    m_heights.remove(removal.first, removal.count);
    endRemoveRows();
    syncLoadMore();
}

bool MessageListModel::insertMissingRows(const QList<Message>& messages)
{
    // The runs of new messages, as [first, last) positions in the new list.
    QList<std::pair<qsizetype, qsizetype>> runs;
    qsizetype listed = 0;
    for (qsizetype i = 0; i < messages.size(); ++i) {
        if (listed < m_messages.size() && messages.at(i).id == m_messages.at(listed).id) {
            ++listed;
            continue;
        }
        if (!runs.isEmpty() && runs.last().second == i)
            runs.last().second = i + 1;
        else
            runs.append({ i, i + 1 });
    }
    if (listed != m_messages.size())
        return false;
    for (const auto& [first, last] : std::as_const(runs)) {
        beginInsertRows({}, offset() + int(first), offset() + int(last) - 1);
        for (qsizetype i = first; i < last; ++i)
            m_messages.insert(i, messages.at(i));
        m_heights.insert(first, last - first, -1);
        endInsertRows();
    }
    // The rows kept still show what they showed before; redraw those that changed.
    const QList<Message> shown = std::exchange(m_messages, messages);
    for (qsizetype i = 0; i < m_messages.size(); ++i) {
        if (!looksTheSame(shown.at(i), m_messages.at(i))) {
            m_heights[i] = -1;
            Q_EMIT dataChanged(index(offset() + int(i)), index(offset() + int(i)));
        }
    }
    return true;
}

void MessageListModel::syncLoadMore()
{
    const bool wanted = m_messages.size() >= LoadMoreThreshold;
    if (wanted == m_loadMore)
        return;
    if (wanted) {
        beginInsertRows({}, 0, 0);
        m_loadMore = true;
        endInsertRows();
    } else {
        beginRemoveRows({}, 0, 0);
        m_loadMore = false;
        endRemoveRows();
    }
}

int MessageListModel::rowOfMessage(qint64 id) const
{
    for (qsizetype i = 0; i < m_messages.size(); ++i)
        if (m_messages.at(i).id == id)
            return int(i) + offset();
    return -1;
}

QModelIndex MessageListModel::indexOfMessage(qint64 id) const
{
    const int row = rowOfMessage(id);
    return row < 0 ? QModelIndex() : index(row);
}

QModelIndex MessageListModel::indexOfClientMessage(const QString& clientMessageId) const
{
    for (qsizetype i = 0; i < m_messages.size(); ++i)
        if (m_messages.at(i).clientMessageId == clientMessageId)
            return index(int(i) + offset());
    return {};
}

int MessageListModel::cachedHeight(int row, int width) const
{
    if (width != m_heightWidth || isLoadMoreRow(row))
        return -1;
    return m_heights.value(row - offset(), -1);
}

void MessageListModel::cacheHeight(int row, int width, int height) const
{
    if (isLoadMoreRow(row))
        return;
    if (width != m_heightWidth) {
        m_heights.fill(-1);
        m_heightWidth = width;
    }
    m_heights[row - offset()] = height;
}

void MessageListModel::remeasureRowsShowing(const QUrl& url)
{
    for (qsizetype i = 0; i < m_messages.size(); ++i) {
        const Message& message = m_messages.at(i);
        if ((message.type == QLatin1StringView("image") || message.type == QLatin1StringView("sticker"))
            && MessageBubble::mediaUrl(message) == url) {
            m_heights[i] = -1;
            const QModelIndex changed = index(offset() + int(i));
            Q_EMIT dataChanged(changed, changed);
            Q_EMIT rowRemeasured(changed);
        }
    }
}
