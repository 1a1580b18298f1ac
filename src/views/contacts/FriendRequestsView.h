#pragma once

#include "models/FriendRequest.h"

#include <QWidget>

class AlertLabel;
class FriendRequestsViewModel;
class QLabel;
class QListView;
class QPushButton;
class QStackedWidget;

// The friend-requests sheet: the requests with accept and reject for pending
// ones and the final word for answered ones. Loads when first shown.
class FriendRequestsView : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the view model.
    explicit FriendRequestsView(FriendRequestsViewModel* viewModel, QWidget* parent = nullptr);

    FriendRequestsViewModel* viewModel() const { return m_viewModel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void refresh();
    void updateError();

    FriendRequestsViewModel* m_viewModel;
    bool m_started = false;
    QLabel* m_title;
    QPushButton* m_close;
    QStackedWidget* m_content;
    QLabel* m_empty;
    QListView* m_list;
    AlertLabel* m_error;
};
