#pragma once

#include "models/Message.h"

#include <QWidget>

#include <memory>

class FavoritesViewModel;
class ErrorAlert;
class QMenu;
class ListColumn;

// The favourites section's column: the starred messages with a menu per row to
// remove the star or copy the text. Loads when first shown.
class FavoritesView : public QWidget {
    Q_OBJECT
public:
    explicit FavoritesView(QWidget* parent = nullptr);
    // For tests that feed a view model of their own.
    explicit FavoritesView(std::unique_ptr<FavoritesViewModel> viewModel, QWidget* parent = nullptr);
    ~FavoritesView() override;

    FavoritesViewModel* viewModel() const { return m_viewModel.get(); }
    // The row's menu: unstar, and copy when the message has text. Shown with popup().
    QMenu* contextMenu(const Message& message);
    static void copyToPasteboard(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuildList();
    void updateOverlay();
    void retranslate();

    std::unique_ptr<FavoritesViewModel> m_viewModel;
    bool m_started = false;
    ListColumn* m_column;
    ErrorAlert* m_alert;
};
