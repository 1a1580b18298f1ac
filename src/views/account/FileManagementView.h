#pragma once

#include <QUrl>
#include <QWidget>

#include <memory>
#include <optional>

class FileListModel;
class FileManagementRow;
class FileManagementViewModel;
class ImagePreviewView;
class ErrorAlert;
class ListColumn;
class QListView;
class QPushButton;
class QTimer;

// The files section's column: the user's files page by page with "load more",
// each with download and, for images, a preview sheet. Loads each time it is shown.
class FileManagementView : public QWidget {
    Q_OBJECT
public:
    explicit FileManagementView(QWidget* parent = nullptr);
    // For tests that feed a view model of their own.
    explicit FileManagementView(std::unique_ptr<FileManagementViewModel> viewModel, QWidget* parent = nullptr);
    ~FileManagementView() override;

    FileManagementViewModel* viewModel() const { return m_viewModel.get(); }
    // The image the preview sheet shows; none while it is closed.
    std::optional<QUrl> previewURL() const { return m_previewURL; }
    ImagePreviewView* previewSheet() const { return m_preview; }
    void showPreview(const QUrl& url);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitList();
    void updateOverlay();
    void updateSpinners(qint64 fileId);
    void retranslate();

    std::unique_ptr<FileManagementViewModel> m_viewModel;
    FileListModel* m_model;
    FileManagementRow* m_rows;
    QListView* m_list;
    QPushButton* m_loadMore;
    QTimer* m_spinnerTimer;
    ListColumn* m_column;
    ErrorAlert* m_alert;
    std::optional<QUrl> m_previewURL;
    ImagePreviewView* m_preview = nullptr;
    int m_downloads = 0;
};
