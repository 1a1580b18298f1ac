#pragma once

#include "services/FileService.h"
#include "state/common/ScreenError.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUrl>

#include <optional>

// The user's own files, 50 a page: the first page replaces the list, "load
// more" appends the next one. page() is the last page that arrived, so a page
// that failed is asked for again; one next page is in flight at a time, and a
// reply that a newer first-page load has overtaken is dropped. Also decides
// which files can be previewed and fetches signed download links.
class FileManagementViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY loadingChanged)
    Q_PROPERTY(bool isLoadingMore READ isLoadingMore NOTIFY loadingChanged)
    Q_PROPERTY(qint64 page READ page NOTIFY filesChanged)

public:
    static constexpr qint64 pageLimit = 50;

    explicit FileManagementViewModel(QObject* parent = nullptr);
    explicit FileManagementViewModel(FileService* service, QObject* parent = nullptr);

    const QList<FileItem>& files() const { return m_files; }
    qint64 page() const { return m_page; }
    bool isLoading() const { return m_isLoading; }
    bool isLoadingMore() const { return m_isLoadingMore; }
    bool canLoadMore() const { return !m_files.isEmpty() && !m_isLoading && !m_isLoadingMore; }
    bool isDownloading(qint64 fileId) const { return m_downloading.contains(fileId); }
    const std::optional<ScreenError>& error() const { return m_error; }
    std::optional<QString> errorMessage() const;
    void clearError();
    // Why the latest load failed, until a load succeeds: the screen shows it with a
    // retry in place of its empty state. Changes only as a load ends.
    const std::optional<ScreenError>& loadFailure() const { return m_loadFailure; }

    // The address an image file is previewed from: its fileUrl, a relative one
    // resolved against the server's address; http and https only. None for a
    // file that is not an image or has no usable address.
    std::optional<QUrl> previewUrl(const FileItem& file) const;

    // None of these throws. A failed first page lands in errorMessage(); a failed
    // next page is dropped silently; a failed download is logged.
    QCoro::Task<> loadFiles();
    QCoro::Task<> loadMore();
    // Fetches the file's signed link and hands it to the desktop (http and https only).
    QCoro::Task<> download(qint64 fileId);

Q_SIGNALS:
    void filesChanged();
    void loadingChanged();
    void downloadingChanged(qint64 fileId);
    void errorMessageChanged();

private:
    void setLoading(bool first, bool more);

    FileService* m_service;
    QList<FileItem> m_files;
    qint64 m_page = 1;
    bool m_isLoading = true;
    bool m_isLoadingMore = false;
    QSet<qint64> m_downloading;
    std::optional<ScreenError> m_error;
    std::optional<ScreenError> m_loadFailure;
    quint64 m_generation = 0;
};
