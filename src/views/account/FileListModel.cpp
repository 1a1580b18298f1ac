#include "views/account/FileListModel.h"

#include "state/account/FileManagementViewModel.h"
#include "state/account/Graphemes.h"
#include "views/account/FileManagementRow.h"
#include "views/common/Localized.h"
#include "views/common/RowAction.h"

FileListModel::FileListModel(FileManagementViewModel* viewModel, QObject* parent)
    : RecordListModel(parent)
    , m_viewModel(viewModel)
{
    connect(viewModel, &FileManagementViewModel::filesChanged, this, &FileListModel::sync);
    connect(viewModel, &FileManagementViewModel::downloadingChanged, this, [this](qint64 fileId) {
        if (const int row = rowOf(fileId); row >= 0)
            Q_EMIT dataChanged(index(row), index(row), { DownloadingRole });
    });
    sync();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const FileItem& file = records().at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return file.fileName.value_or(Localized::text("files.unknown_file"));
    case Qt::AccessibleTextRole: {
        QStringList parts { file.fileName.value_or(Localized::text("files.unknown_file")) };
        for (const int detail : { int(SizeRole), int(DateRole) }) {
            if (const QString text = data(index, detail).toString(); !text.isEmpty())
                parts << text;
        }
        return parts.join(QStringLiteral(", "));
    }
    case RowAction::ActionsRole:
    case Qt::AccessibleDescriptionRole: {
        // Images open in the preview with Return; any other file downloads.
        QList<RowAction> actions;
        const bool previews = m_viewModel->previewUrl(file).has_value();
        if (previews)
            actions << RowAction { QStringLiteral("preview"), Localized::text("files.preview"), RowAction::Kind::Main, true,
                                   Localized::text("files.preview") };
        actions << RowAction { QStringLiteral("download"), Localized::text("files.download"),
                               previews ? RowAction::Kind::Plain : RowAction::Kind::Main, !m_viewModel->isDownloading(file.id),
                               Localized::text("files.download") };
        return RowAction::data(actions, role);
    }
    case FileIdRole:
        return file.id;
    case SizeRole:
        return file.fileSize ? FileManagementRow::formatFileSize(*file.fileSize) : QString();
    case DateRole:
        return file.createdAt ? graphemes::prefix(*file.createdAt, 10) : QString();
    case PreviewUrlRole:
        return m_viewModel->previewUrl(file).value_or(QUrl());
    case DownloadingRole:
        return m_viewModel->isDownloading(file.id);
    default:
        return {};
    }
}

void FileListModel::sync()
{
    // A row shows the name, size, day and type (icon and preview) of its file.
    showRecords(m_viewModel->files(), [](const FileItem& a, const FileItem& b) {
        return a.fileName == b.fileName && a.fileSize == b.fileSize && a.createdAt == b.createdAt && a.mimeType == b.mimeType
            && a.fileUrl == b.fileUrl;
    });
}

int FileListModel::rowOf(qint64 fileId) const
{
    for (qsizetype i = 0; i < records().size(); ++i)
        if (records().at(i).id == fileId)
            return int(i);
    return -1;
}
