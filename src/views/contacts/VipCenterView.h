#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class QVBoxLayout;
class Spinner;
class VipCenterViewModel;

// The VIP page: the status card (member or not, level name, expiry) and the
// levels with monthly prices and benefits, read-only. Its texts are built-in
// Chinese; a failed half shows its error and a retry button instead.
class VipCenterView : public QWidget {
    Q_OBJECT
public:
    explicit VipCenterView(QWidget* parent = nullptr);
    // For tests that feed a state object of their own.
    explicit VipCenterView(std::unique_ptr<VipCenterViewModel> viewModel, QWidget* parent = nullptr);
    ~VipCenterView() override;

    VipCenterViewModel* viewModel() const { return m_viewModel.get(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void updateStatus();
    void updateLevels();

    std::unique_ptr<VipCenterViewModel> m_viewModel;
    QLabel* m_crown;
    QLabel* m_statusText;
    QLabel* m_expiry;
    QLabel* m_statusError;
    QPushButton* m_statusRetry;
    Spinner* m_spinner;
    QLabel* m_levelsError;
    QPushButton* m_levelsRetry;
    QVBoxLayout* m_levels;
};
