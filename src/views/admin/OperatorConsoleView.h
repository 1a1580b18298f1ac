#pragma once

#include "state/admin/OperatorConsoleTab.h"

#include <QWidget>

class APIClient;
class OperatorConsoleViewModel;
class OperatorStatusBadge;
class QLabel;
class OperatorSessionListModel;
class QListView;
class QScrollArea;
class QStackedWidget;
class QTabBar;
class QToolButton;
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
    // Rows through OperatorSessionListModel's roles.
    QListView* workspaceList() const { return m_workspace; }
    QListView* historyList() const { return m_history; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void updateCounters();
    void updateOverlays();
    void updateDetail();
    // Marks the selected session in whichever list holds it, and nothing in the other.
    void syncSelection();
    QListView* sessionList(const char* name, OperatorSessionListModel* model);
    void showRowMenu(const QPoint& position);
    // A row's Accept or End, from its menu or the list's keyboard.
    void runRowAction(qint64 sessionId, const QString& name);

    OperatorConsoleViewModel* m_model;
    OperatorConsoleTab m_selectedTab = OperatorConsoleTab::workspace;
    bool m_shown = false;
    QLabel* m_title;
    QList<OperatorStatusBadge*> m_badges;
    QTabBar* m_tabs;
    QStackedWidget* m_tabContent;
    OperatorSessionListModel* m_workspaceRows;
    OperatorSessionListModel* m_historyRows;
    QListView* m_workspace;
    QListView* m_history;
    QScrollArea* m_statistics = nullptr;
    QWidget* m_workspaceSpinner;
    QLabel* m_noSessions;
    QLabel* m_noHistory;
    QWidget* m_noSessionsPage = nullptr;
    QWidget* m_noHistoryPage = nullptr;
    QToolButton* m_refresh = nullptr;
    QStackedWidget* m_detail;
    QLabel* m_emptySelection;
    // Rows are moving or the selection is being marked: a current row the list
    // picks meanwhile is not the user's choice.
    bool m_syncing = false;
};
