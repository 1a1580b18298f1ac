#include "state/account/FileManagementViewModel.h"

#include "network/APIClient.h"
#include "state/common/ErrorDescription.h"

#include <QDebug>
#include <QPointer>

FileManagementViewModel::FileManagementViewModel(QObject* parent)
    : FileManagementViewModel(&FileService::shared(), parent)
{
}

FileManagementViewModel::FileManagementViewModel(FileService* service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{
}

std::optional<QString> FileManagementViewModel::errorMessage() const
{
    if (!m_error)
        return std::nullopt;
    return m_error->text();
}

void FileManagementViewModel::clearError()
{
    if (!m_error)
        return;
    m_error.reset();
    Q_EMIT errorMessageChanged();
}

std::optional<QUrl> FileManagementViewModel::previewUrl(const FileItem& file) const
{
    if (!file.mimeType || !file.mimeType->toLower().startsWith(QLatin1StringView("image/")) || !file.fileUrl)
        return std::nullopt;
    const QUrl address(*file.fileUrl, QUrl::StrictMode);
    if (!address.isValid())
        return std::nullopt;
    // The server hands out its own files as "/uploads/…".
    const QUrl resolved = address.isRelative() ? QUrl(m_service->api.baseURL()).resolved(address) : address;
    const QString scheme = resolved.scheme().toLower();
    if (resolved.host().isEmpty() || (scheme != QLatin1StringView("http") && scheme != QLatin1StringView("https")))
        return std::nullopt;
    return resolved;
}

void FileManagementViewModel::setLoading(bool first, bool more)
{
    if (m_isLoading == first && m_isLoadingMore == more)
        return;
    m_isLoading = first;
    m_isLoadingMore = more;
    Q_EMIT loadingChanged();
}

QCoro::Task<> FileManagementViewModel::loadFiles()
{
    QPointer<FileManagementViewModel> self(this);
    // A next page still on its way belongs to the list being replaced.
    const quint64 generation = ++m_generation;
    setLoading(true, false);
    try {
        QList<FileItem> files = co_await m_service->getMyFiles(1, pageLimit);
        if (!self || generation != m_generation)
            co_return;
        m_files = std::move(files);
        m_page = 1;
        m_loadFailure.reset();
        Q_EMIT filesChanged();
    } catch (const std::exception& error) {
        if (!self || generation != m_generation)
            co_return;
        m_error = ScreenError { QStringLiteral("files.load_failed"), QString(), errorDescription(error) };
        m_loadFailure = m_error;
        Q_EMIT errorMessageChanged();
    }
    setLoading(false, false);
}

QCoro::Task<> FileManagementViewModel::loadMore()
{
    if (!canLoadMore())
        co_return;
    QPointer<FileManagementViewModel> self(this);
    const quint64 generation = m_generation;
    const qint64 next = m_page + 1;
    setLoading(false, true);
    try {
        const QList<FileItem> files = co_await m_service->getMyFiles(next, pageLimit);
        if (!self || generation != m_generation)
            co_return;
        m_files.append(files);
        m_page = next;
        Q_EMIT filesChanged();
    } catch (const std::exception&) {
        // Nothing is shown; the next press asks for the same page again.
        if (!self || generation != m_generation)
            co_return;
    }
    setLoading(false, false);
}

QCoro::Task<> FileManagementViewModel::download(qint64 fileId)
{
    if (m_downloading.contains(fileId))
        co_return;
    QPointer<FileManagementViewModel> self(this);
    m_downloading.insert(fileId);
    Q_EMIT downloadingChanged(fileId);
    try {
        const FileDownload link = co_await m_service->getDownloadUrl(fileId);
        FileService::openDownload(link);
    } catch (const std::exception& error) {
        qWarning().noquote() << "[FileManagement] Download failed:" << errorDescription(error);
    }
    if (!self)
        co_return;
    m_downloading.remove(fileId);
    Q_EMIT downloadingChanged(fileId);
}
