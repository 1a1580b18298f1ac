#pragma once

#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <optional>

class FileManagementViewModel;
class ImagePreviewView;
class ErrorAlert;
class ListColumn;
class QScrollArea;

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

private:
    void syncRows();
    void rebuildRows();
    void updateOverlay();
    void retranslate();

    std::unique_ptr<FileManagementViewModel> m_viewModel;
    QScrollArea* m_scroll;
    ListColumn* m_column;
    QPointer<QWidget> m_rows;
    QPointer<QPushButton> m_loadMore;
    ErrorAlert* m_alert;
    std::optional<QUrl> m_previewURL;
    ImagePreviewView* m_preview = nullptr;
    QList<qint64> m_shownIds;
};
