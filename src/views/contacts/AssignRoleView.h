#pragma once

#include <QWidget>

class AssignRoleViewModel;
class QLabel;
class QListView;
class QPushButton;
class QStackedWidget;

// The members of a group, each with a mark showing whether this screen gave
// them the role; a click, Return or Space gives it or takes it back. Done under
// the list closes the sheet: each change was saved as it was made.
class AssignRoleView : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the view model.
    explicit AssignRoleView(AssignRoleViewModel* viewModel, QWidget* parent = nullptr);

    AssignRoleViewModel* viewModel() const { return m_viewModel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void refresh();

    AssignRoleViewModel* m_viewModel;
    bool m_started = false;
    bool m_listShown = false;
    QStackedWidget* m_content;
    QLabel* m_empty;
    QListView* m_list;
    QPushButton* m_done;
};
