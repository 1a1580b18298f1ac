#pragma once

#include <QWidget>

#include <memory>

class DeviceManagementViewModel;
class ListStateOverlay;
class QLabel;
class ErrorAlert;
class QMessageBox;
class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

// The devices the account is signed in on: this device first, then the others,
// each with its own sign-out, and one button that signs out all others after a
// confirmation. Loads when first shown and from the refresh button.
class DeviceManagementView : public QWidget {
    Q_OBJECT
public:
    explicit DeviceManagementView(QWidget* parent = nullptr);
    // For tests that feed a view model of their own.
    explicit DeviceManagementView(std::unique_ptr<DeviceManagementViewModel> viewModel, QWidget* parent = nullptr);
    ~DeviceManagementView() override;

    DeviceManagementViewModel* viewModel() const { return m_viewModel.get(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuildList();
    void updateLoading();
    void retranslate();
    QLabel* sectionHeader(const char* key, const char* objectName);

    std::unique_ptr<DeviceManagementViewModel> m_viewModel;
    bool m_started = false;
    QLabel* m_title;
    QToolButton* m_refresh;
    QScrollArea* m_scroll;
    QWidget* m_list = nullptr;
    ListStateOverlay* m_overlay;
    QMessageBox* m_confirm;
    QPushButton* m_confirmLogout;
    QPushButton* m_confirmCancel;
    ErrorAlert* m_alert;
};
