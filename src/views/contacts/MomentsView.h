#pragma once

#include <QWidget>

#include <memory>

class MomentFeedView;
class MomentsViewModel;
class QDialog;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;
class Spinner;

// The moments section's column: header with the compose button, then the
// spinner, the failure with a retry button, the empty state or the feed. The
// compose sheet belongs to it. The feed is fetched each time the screen shows;
// fetched again after an action, it stays on screen under a small spinner.
class MomentsView : public QWidget {
    Q_OBJECT
public:
    explicit MomentsView(qint64 currentUserId, QWidget* parent = nullptr);
    // For tests that feed a state object of their own.
    explicit MomentsView(std::unique_ptr<MomentsViewModel> viewModel, QWidget* parent = nullptr);
    ~MomentsView() override;

    MomentsViewModel* viewModel() const { return m_viewModel.get(); }
    QDialog* composeSheet() const { return m_compose; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build();
    QDialog* buildComposeSheet();
    void retranslate();
    void updateBody();
    void updateCompose();

    std::unique_ptr<MomentsViewModel> m_viewModel;
    QLabel* m_title = nullptr;
    QToolButton* m_composeButton = nullptr;
    QStackedWidget* m_body = nullptr;
    QWidget* m_loadingPage = nullptr;
    QWidget* m_errorPage = nullptr;
    QLabel* m_errorText = nullptr;
    QPushButton* m_retryButton = nullptr;
    QWidget* m_emptyPage = nullptr;
    QLabel* m_emptyText = nullptr;
    MomentFeedView* m_listPage = nullptr;
    Spinner* m_reloadSpinner = nullptr;
    QDialog* m_compose = nullptr;
    QLabel* m_composeTitle = nullptr;
    QPlainTextEdit* m_composeEditor = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_publishButton = nullptr;
};
