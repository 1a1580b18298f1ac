#pragma once

#include "models/Message.h"

#include <QAbstractListModel>
#include <QList>

#include <optional>

// The open conversation's messages as rows for the painted chat list, plus a
// leading "load more" row while the list holds a full page or more. Updates from
// the conversation state are diffed into row inserts and changes, so the view can
// keep its place and only re-measure the rows that changed.
class MessageListModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int LoadMoreThreshold = 50;
    enum Role { KindRole = Qt::UserRole + 1, MessageIdRole };
    // Inserted: rows went in between listed ones (messages missed while the channel was down).
    enum class Change { None, Reset, Appended, Prepended, Inserted, Updated };

    explicit MessageListModel(qint64 currentUserId, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    Change setMessages(const QList<Message>& messages);
    // The owner of the list this model shows inserts messages first .. first + count - 1
    // between these two calls. The model lets go of the list meanwhile (it shows no
    // message until the end), so that the owner inserts in place instead of copying a
    // list it shares, and takes it again at the end: only the new rows are announced
    // and measured.
    void beginInsertMessages(int first, int count);
    void endInsertMessages(const QList<Message>& messages);
    // The same for messages first .. first + count - 1 leaving the list: only those rows go.
    void beginRemoveMessages(int first, int count);
    void endRemoveMessages(const QList<Message>& messages);

    int messageCount() const { return int(m_messages.size()); }
    bool showsLoadMore() const { return m_loadMore; }
    bool isLoadMoreRow(int row) const { return m_loadMore && row == 0; }
    const Message& messageAt(int row) const { return m_messages.at(row - offset()); }
    bool isMine(int row) const { return messageAt(row).senderId == m_currentUserId; }
    int rowOfMessage(qint64 id) const;
    QModelIndex indexOfMessage(qint64 id) const;
    QModelIndex indexOfClientMessage(const QString& clientMessageId) const;

    // Row heights depend only on the message, the list width and the language;
    // measured once for each.
    int cachedHeight(int row, int width) const;
    void cacheHeight(int row, int width, int height) const;
    // The language changed: every row is measured again when next laid out.
    void forgetHeights() { m_heightWidth = -1; }

Q_SIGNALS:
    // A row's height may have changed (a picture finished loading).
    void rowRemeasured(const QModelIndex& index);

private:
    int offset() const { return m_loadMore ? 1 : 0; }
    struct Span {
        int first;
        int count;
    };
    void syncLoadMore();
    // When every listed message is still there, in order, inserts the new ones as rows
    // where they belong and redraws the changed ones; otherwise changes nothing.
    bool insertMissingRows(const QList<Message>& messages);
    void remeasureRowsShowing(const QUrl& url);

    qint64 m_currentUserId;
    QList<Message> m_messages;
    bool m_loadMore = false;
    std::optional<Span> m_inserting;
    std::optional<Span> m_removing;
    mutable QList<int> m_heights;
    mutable int m_heightWidth = -1;
};
