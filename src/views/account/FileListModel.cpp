#include "views/account/FileListModel.h"

#include "state/account/FileManagementViewModel.h"
#include "state/account/Graphemes.h"
#include "views/account/FileManagementRow.h"
#include "views/common/Localized.h"
#include "views/common/RowAction.h"

FileListModel::FileListModel(FileManagementViewModel* viewModel, QObject* parent)
    : QAbstractListModel(parent)
    , m_viewModel(viewModel)
{
    connect(viewModel, &FileManagementViewModel::filesChanged, this, &FileListModel::sync);
    connect(viewModel, &FileManagementViewModel::downloadingChanged, this, [this](qint64 fileId) {
        if (const int row = rowOf(fileId); row >= 0)
            Q_EMIT dataChanged(index(row), index(row), { DownloadingRole });
    });
    sync();
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_files.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const FileItem& file = m_files.at(index.row());
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
    // A next page adds rows at the end and a reload of the first page drops the
    // later ones; anything else starts the list again.
    const QList<FileItem>& files = m_viewModel->files();
    const qsizetype common = qMin(files.size(), m_files.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (files.at(i).id != m_files.at(i).id) {
            beginResetModel();
            m_files = files;
            endResetModel();
            return;
        }
    }
    if (files.size() > m_files.size()) {
        beginInsertRows({}, int(m_files.size()), int(files.size()) - 1);
        m_files = files;
        endInsertRows();
    } else if (files.size() < m_files.size()) {
        beginRemoveRows({}, int(files.size()), int(m_files.size()) - 1);
        m_files = files;
        endRemoveRows();
    }
}

int FileListModel::rowOf(qint64 fileId) const
{
    for (qsizetype i = 0; i < m_files.size(); ++i)
        if (m_files.at(i).id == fileId)
            return int(i);
    return -1;
}
