#pragma once

#include <QWidget>

#include <memory>

class AdaptiveGrid;
class GiftShopViewModel;
class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

// The read-only gift catalogue: a heading and a grid of cards (picture, name,
// price in coins), or the failure of the last fetch with a retry button. Its
// texts are built-in Chinese; the catalogue is fetched each time it shows.
class GiftShopView : public QWidget {
    Q_OBJECT
public:
    explicit GiftShopView(QWidget* parent = nullptr);
    // For tests that feed a state object of their own.
    explicit GiftShopView(std::unique_ptr<GiftShopViewModel> viewModel, QWidget* parent = nullptr);
    ~GiftShopView() override;

    GiftShopViewModel* viewModel() const { return m_viewModel.get(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void updateContent();
    void rebuildGrid();

    std::unique_ptr<GiftShopViewModel> m_viewModel;
    QStackedWidget* m_content;
    QWidget* m_loadingPage;
    QLabel* m_emptyText;
    QWidget* m_errorPage;
    QLabel* m_errorText;
    QPushButton* m_retryButton;
    QWidget* m_gridPage;
    QVBoxLayout* m_gridHolder;
    AdaptiveGrid* m_grid = nullptr;
};
