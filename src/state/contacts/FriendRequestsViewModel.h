#pragma once

#include "models/FriendRequest.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class ContactListViewModel;
class ContactService;

// The friend-requests sheet: the requests the server holds for the user, each
// pending one answered with accept or reject. Made afresh for every presentation.
class FriendRequestsViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<FriendRequest> requests READ requests NOTIFY requestsChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)

public:
    struct Dependencies {
        ContactService* contactService;
        // Reloaded after every answer the server accepts, so the badge and the
        // list follow at once (the server tells only the request's sender). May be null.
        ContactListViewModel* contactList;
    };

    explicit FriendRequestsViewModel(Dependencies dependencies, QObject* parent = nullptr);

    enum class RowState { Pending, Accepted, Rejected };
    // "pending" and "accepted" exactly; anything else, absence included, reads as rejected.
    static RowState rowState(const FriendRequest& request);

    QList<FriendRequest> requests() const { return m_requests; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }

    // True while the answer to that request is on its way; a second answer meanwhile is ignored.
    bool isAnswering(qint64 requestId) const { return m_answering.contains(requestId); }

    QCoro::Task<> loadRequests();
    QCoro::Task<> acceptRequest(FriendRequest request);
    QCoro::Task<> rejectRequest(FriendRequest request);

Q_SIGNALS:
    void requestsChanged();
    void isLoadingChanged();
    void errorChanged();
    void answeringChanged(qint64 requestId);

private:
    QCoro::Task<> answer(FriendRequest request, bool accept);
    void setIsLoading(bool loading);
    void setError(const QString& error);

    Dependencies m_deps;
    QList<FriendRequest> m_requests;
    bool m_isLoading = false;
    std::optional<QString> m_error;
    QSet<qint64> m_answering;
};
