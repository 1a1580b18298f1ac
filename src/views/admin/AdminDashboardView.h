#pragma once

#include "state/admin/AdminSection.h"

#include <QWidget>

class APIClient;
class AdminDashboardViewModel;
class QListWidget;
class QVBoxLayout;

// The administration console: the eight sections in a sidebar and the selected
// section's page beside it. The console owns the statistics, loads them once when
// first shown and keeps them across section changes; every other section page is
// built afresh each time it is selected.
class AdminDashboardView : public QWidget {
    Q_OBJECT
public:
    explicit AdminDashboardView(APIClient& api, QWidget* parent = nullptr);

    AdminSection selectedTab() const { return m_selectedTab; }
    void setSelectedTab(AdminSection section);
    AdminDashboardViewModel* model() const { return m_model; }
    QWidget* detail() const { return m_detail; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    QWidget* detailView(AdminSection section);

    APIClient& m_api;
    AdminDashboardViewModel* m_model;
    AdminSection m_selectedTab = AdminSection::dashboard;
    bool m_shown = false;
    QListWidget* m_sidebar;
    QVBoxLayout* m_detailLayout;
    QWidget* m_detail = nullptr;
};
