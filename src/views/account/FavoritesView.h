#pragma once

#include "models/Message.h"

#include <QWidget>

#include <memory>

class FavoriteListModel;
class FavoritesViewModel;
class ErrorAlert;
class QListView;
class QMenu;
class ListColumn;

// The favourites section's column: the starred messages with a menu per row to
// remove the star or copy the text. Loads each time it is shown.
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
    void updateOverlay();
    void retranslate();

    std::unique_ptr<FavoritesViewModel> m_viewModel;
    FavoriteListModel* m_model;
    QListView* m_list;
    ListColumn* m_column;
    ErrorAlert* m_alert;
};
