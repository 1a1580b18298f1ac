#pragma once

#include "models/Moment.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

class MomentService;

// The moments feed: the first page as the server last sent it, the compose
// sheet's text, each moment's pending comment, and what a like, a post or a
// comment sends. After each change the feed is fetched again.
class MomentsViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Moment> moments READ moments NOTIFY momentsChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(bool showCompose READ showCompose WRITE setShowCompose NOTIFY showComposeChanged)
    Q_PROPERTY(QString newContent READ newContent WRITE setNewContent NOTIFY newContentChanged)

public:
    static constexpr qint64 page = 1;
    static constexpr qint64 pageSize = 20;
    static QString visibility() { return QStringLiteral("friends"); }

    // currentUserId: the signed-in user, whose own like decides like or unlike.
    explicit MomentsViewModel(qint64 currentUserId, QObject* parent = nullptr);
    MomentsViewModel(qint64 currentUserId, MomentService* service, QObject* parent = nullptr);

    QList<Moment> moments() const { return m_moments; }
    bool isLoading() const { return m_isLoading; }
    // The last failed fetch of the feed; cleared when a fetch succeeds.
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }

    bool showCompose() const { return m_showCompose; }
    void setShowCompose(bool show);
    void toggleCompose() { setShowCompose(!m_showCompose); }
    QString newContent() const { return m_newContent; }
    void setNewContent(const QString& content);
    // The publish button's rule: something besides white space was typed.
    bool canPublish() const { return !m_newContent.trimmed().isEmpty(); }
    // True while a post is on its way: the publish button waits for it.
    bool isPublishing() const { return m_isPublishing; }

    QString commentDraft(qint64 momentId) const { return m_commentText.value(momentId); }
    void setCommentDraft(const QString& text, qint64 momentId);
    bool canSendComment(qint64 momentId) const { return !commentDraft(momentId).trimmed().isEmpty(); }

    // Liked means the signed-in user's own like is among the moment's likes;
    // somebody else's like does not make it the user's to take back.
    bool isLiked(const Moment& moment) const;

    // Fetches the first page. Never throws. When fetches overlap only the
    // newest one's outcome is applied.
    QCoro::Task<> loadMoments();
    // Posts the text as typed; on success clears it, closes the sheet and reloads.
    // A failure keeps the sheet and its text. Never throws.
    QCoro::Task<> publishMoment();
    void likeTapped(const Moment& moment);
    // Sends unlike when isLiked, else like, and reloads whatever the outcome.
    QCoro::Task<> toggleLike(qint64 momentId, bool isLiked);
    void commentTapped(const Moment& moment);
    // On success empties that moment's pending comment and reloads; a failure keeps it.
    QCoro::Task<> addComment(qint64 momentId, QString text);

    // A picture of a moment: server paths resolved against the API's address.
    QUrl pictureUrl(const QString& address) const;

Q_SIGNALS:
    void momentsChanged();
    void isLoadingChanged();
    void errorChanged();
    void showComposeChanged();
    void newContentChanged();
    void isPublishingChanged();
    // The server refused or never got the post (a text over its limit, say);
    // the sheet and its text stay.
    void publishFailed(const QString& error);
    void commentDraftChanged(qint64 momentId);

private:
    void setIsLoading(bool loading);
    void setIsPublishing(bool publishing);
    void setError(const std::optional<QString>& error);

    qint64 m_currentUserId;
    MomentService* m_service;
    QList<Moment> m_moments;
    bool m_isLoading = false;
    std::optional<QString> m_error;
    bool m_showCompose = false;
    bool m_isPublishing = false;
    QString m_newContent;
    QHash<qint64, QString> m_commentText;
    quint64 m_loadGeneration = 0;
};
