#pragma once

#include "services/FileService.h"
#include "views/common/RecordListModel.h"

class FileManagementViewModel;

// The user's files as rows for the painted files list. A next page adds rows at
// the end, a reload of the first page keeps the rows it shares with the list and
// redraws those that now show otherwise; a download starting or ending repaints
// its own row only.
class FileListModel : public RecordListModel<FileItem> {
    Q_OBJECT
public:
    enum Role {
        FileIdRole = Qt::UserRole + 1,
        // "1.5 KB"; empty when the size is unknown.
        SizeRole,
        // The upload day; empty when unknown.
        DateRole,
        // The address the preview sheet shows; an invalid URL for a file without one.
        PreviewUrlRole,
        DownloadingRole,
    };

    explicit FileListModel(FileManagementViewModel* viewModel, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

    const FileItem& fileAt(int row) const { return records().at(row); }

private:
    void sync();
    int rowOf(qint64 fileId) const;

    FileManagementViewModel* m_viewModel;
};
