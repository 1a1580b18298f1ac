#pragma once

#include <QWidget>

#include <memory>

class DeviceListModel;
class DeviceManagementViewModel;
class DeviceRow;
class ListStateOverlay;
class QLabel;
class ErrorAlert;
class QListView;
class QMessageBox;
class QPushButton;
class QToolButton;

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
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitList();
    void updateLoading();
    void retranslate();

    std::unique_ptr<DeviceManagementViewModel> m_viewModel;
    bool m_started = false;
    QLabel* m_title;
    QToolButton* m_refresh;
    DeviceListModel* m_model;
    DeviceRow* m_rows;
    QListView* m_list;
    QPushButton* m_logoutAll;
    ListStateOverlay* m_overlay;
    QMessageBox* m_confirm;
    QPushButton* m_confirmLogout;
    QPushButton* m_confirmCancel;
    ErrorAlert* m_alert;
};
