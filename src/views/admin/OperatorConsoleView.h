#pragma once

#include "state/OperatorConsoleTab.h"

#include <QWidget>

class APIClient;
class OperatorConsoleViewModel;
class OperatorStatusBadge;
class QButtonGroup;
class QLabel;
class QListWidget;
class QStackedWidget;
class QWidget;

// The customer-service console: the waiting, active and ended counters, the
// workspace, history and statistics tabs, and the selected session beside them.
class OperatorConsoleView : public QWidget {
    Q_OBJECT
public:
    explicit OperatorConsoleView(APIClient& api, QWidget* parent = nullptr);

    OperatorConsoleViewModel* model() const { return m_model; }
    OperatorConsoleTab selectedTab() const { return m_selectedTab; }
    void setSelectedTab(OperatorConsoleTab tab);
    QListWidget* workspaceList() const { return m_workspace; }
    QListWidget* historyList() const { return m_history; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void rebuildLists();
    void updateOverlays();
    void updateDetail();
    void showRowMenu(const QPoint& position);

    OperatorConsoleViewModel* m_model;
    OperatorConsoleTab m_selectedTab = OperatorConsoleTab::workspace;
    bool m_shown = false;
    QLabel* m_title;
    QList<OperatorStatusBadge*> m_badges;
    QButtonGroup* m_tabs;
    QStackedWidget* m_tabContent;
    QListWidget* m_workspace;
    QListWidget* m_history;
    QWidget* m_workspaceSpinner;
    QLabel* m_noSessions;
    QLabel* m_noHistory;
    QStackedWidget* m_detail;
    QLabel* m_emptySelection;
    bool m_rebuilding = false;
};
