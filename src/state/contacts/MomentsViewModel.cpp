#include "state/contacts/MomentsViewModel.h"

#include "network/APIClient.h"
#include "services/MomentService.h"
#include "state/common/ErrorDescription.h"
#include "state/contacts/PictureAddress.h"

#include <QPointer>

MomentsViewModel::MomentsViewModel(qint64 currentUserId, QObject* parent)
    : MomentsViewModel(currentUserId, &MomentService::shared(), parent)
{
}

MomentsViewModel::MomentsViewModel(qint64 currentUserId, MomentService* service, QObject* parent)
    : QObject(parent)
    , m_currentUserId(currentUserId)
    , m_service(service)
{
}

void MomentsViewModel::setShowCompose(bool show)
{
    if (m_showCompose == show)
        return;
    m_showCompose = show;
    Q_EMIT showComposeChanged();
}

void MomentsViewModel::setNewContent(const QString& content)
{
    if (m_newContent == content)
        return;
    m_newContent = content;
    Q_EMIT newContentChanged();
}

void MomentsViewModel::setCommentDraft(const QString& text, qint64 momentId)
{
    const auto found = m_commentText.constFind(momentId);
    if (found != m_commentText.constEnd() && *found == text)
        return;
    m_commentText.insert(momentId, text);
    Q_EMIT commentDraftChanged(momentId);
}

bool MomentsViewModel::isLiked(const Moment& moment) const
{
    if (!moment.likes)
        return false;
    for (const MomentLike& like : *moment.likes) {
        if (like.userId == m_currentUserId)
            return true;
    }
    return false;
}

QCoro::Task<> MomentsViewModel::loadMoments()
{
    QPointer<MomentsViewModel> self(this);
    const quint64 generation = ++m_loadGeneration;
    setIsLoading(true);
    std::optional<QList<Moment>> moments;
    std::optional<QString> failure;
    try {
        moments = co_await m_service->getMoments(page, pageSize);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    // An older fetch that ends late must not overwrite what a newer one showed.
    if (!self || generation != m_loadGeneration)
        co_return;
    m_moments = moments.value_or(QList<Moment>());
    Q_EMIT momentsChanged();
    setError(failure);
    setIsLoading(false);
}

QCoro::Task<> MomentsViewModel::publishMoment()
{
    if (m_isPublishing)
        co_return;
    QPointer<MomentsViewModel> self(this);
    setIsPublishing(true);
    std::optional<QString> failure;
    try {
        co_await m_service->createMoment(m_newContent, std::nullopt, visibility(), std::nullopt);
    } catch (const std::exception& error) {
        failure = errorDescription(error);
    }
    if (!self)
        co_return;
    setIsPublishing(false);
    if (failure) {
        Q_EMIT publishFailed(*failure);
        co_return;
    }
    setNewContent(QString());
    setShowCompose(false);
    co_await loadMoments();
}

void MomentsViewModel::likeTapped(const Moment& moment)
{
    toggleLike(moment.id, isLiked(moment));
}

QCoro::Task<> MomentsViewModel::toggleLike(qint64 momentId, bool isLiked)
{
    QPointer<MomentsViewModel> self(this);
    try {
        if (isLiked)
            co_await m_service->unlikeMoment(momentId);
        else
            co_await m_service->likeMoment(momentId);
    } catch (const std::exception&) {
        // The reload below shows the server's view either way.
    }
    if (self)
        co_await loadMoments();
}

void MomentsViewModel::commentTapped(const Moment& moment)
{
    const QString text = commentDraft(moment.id);
    if (text.isEmpty())
        return;
    addComment(moment.id, text);
}

QCoro::Task<> MomentsViewModel::addComment(qint64 momentId, QString text)
{
    QPointer<MomentsViewModel> self(this);
    try {
        co_await m_service->addComment(momentId, std::move(text), std::nullopt);
    } catch (const std::exception&) {
        co_return;
    }
    if (!self)
        co_return;
    setCommentDraft(QString(), momentId);
    co_await loadMoments();
}

QUrl MomentsViewModel::pictureUrl(const QString& address) const
{
    return PictureAddress::resolve(address, m_service->api.baseURL());
}

void MomentsViewModel::setIsPublishing(bool publishing)
{
    if (m_isPublishing == publishing)
        return;
    m_isPublishing = publishing;
    Q_EMIT isPublishingChanged();
}

void MomentsViewModel::setIsLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void MomentsViewModel::setError(const std::optional<QString>& error)
{
    if (m_error == error)
        return;
    m_error = error;
    Q_EMIT errorChanged();
}
