#pragma once

#include "services/FileService.h"

#include <QColor>
#include <QUrl>
#include <QWidget>

#include <optional>

class FileManagementViewModel;
class QStackedWidget;
class QToolButton;

// One of the user's files: an icon coloured by kind, the name, size and upload
// day, a preview button for images and a download button that shows progress
// while the signed link is fetched.
class FileManagementRow : public QWidget {
    Q_OBJECT
public:
    FileManagementRow(FileItem file, FileManagementViewModel* viewModel, QWidget* parent = nullptr);

    const FileItem& file() const { return m_file; }

    // By the MIME type, lower-cased; the first rule that holds wins.
    static QString iconName(const std::optional<QString>& mimeType);
    static QColor iconColor(const std::optional<QString>& mimeType);
    // "1023 B", "1.5 KB", "5120.0 MB": one decimal with a point, whatever the locale.
    static QString formatFileSize(qint64 bytes);

Q_SIGNALS:
    void previewRequested(const QUrl& url);

private:
    void updateDownloading();

    FileItem m_file;
    FileManagementViewModel* m_viewModel;
    QStackedWidget* m_downloadHolder;
    QToolButton* m_download;
};
