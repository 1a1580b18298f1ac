#include "state/contacts/FriendRequestsViewModel.h"

#include "services/ContactService.h"
#include "state/common/ErrorDescription.h"
#include "state/contacts/ContactListViewModel.h"

#include <QPointer>

FriendRequestsViewModel::FriendRequestsViewModel(Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_deps(dependencies)
{
}

FriendRequestsViewModel::RowState FriendRequestsViewModel::rowState(const FriendRequest& request)
{
    if (request.status == u"pending")
        return RowState::Pending;
    if (request.status == u"accepted")
        return RowState::Accepted;
    return RowState::Rejected;
}

QCoro::Task<> FriendRequestsViewModel::loadRequests()
{
    QPointer<FriendRequestsViewModel> self(this);
    setIsLoading(true);
    try {
        QList<FriendRequest> requests = co_await m_deps.contactService->getFriendRequests();
        if (!self)
            co_return;
        m_requests = std::move(requests);
        Q_EMIT requestsChanged();
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        setError(errorDescription(error));
    }
    setIsLoading(false);
}

QCoro::Task<> FriendRequestsViewModel::acceptRequest(FriendRequest request)
{
    return answer(std::move(request), true);
}

QCoro::Task<> FriendRequestsViewModel::rejectRequest(FriendRequest request)
{
    return answer(std::move(request), false);
}

QCoro::Task<> FriendRequestsViewModel::answer(FriendRequest request, bool accept)
{
    if (m_answering.contains(request.id))
        co_return;
    QPointer<FriendRequestsViewModel> self(this);
    QPointer<ContactListViewModel> contactList(m_deps.contactList);
    m_answering.insert(request.id);
    Q_EMIT answeringChanged(request.id);
    std::optional<QString> failure;
    try {
        if (accept)
            co_await m_deps.contactService->acceptFriendRequest(request.id);
        else
            co_await m_deps.contactService->rejectFriendRequest(request.id);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (self) {
        m_answering.remove(request.id);
        Q_EMIT answeringChanged(request.id);
    }
    if (failure) {
        if (self)
            setError(*failure);
        co_return;
    }
    // The contact list outlives the sheet; reload it even when the sheet has closed.
    if (contactList)
        contactList->loadContacts();
    if (!self)
        co_return;
    for (FriendRequest& entry : m_requests) {
        if (entry.id == request.id) {
            entry.status = accept ? QStringLiteral("accepted") : QStringLiteral("rejected");
            Q_EMIT requestsChanged();
            break;
        }
    }
}

void FriendRequestsViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void FriendRequestsViewModel::setError(const QString& error)
{
    m_error = error;
    Q_EMIT errorChanged();
}
