#pragma once

#include <QList>
#include <QWidget>

class AdminDashboardViewModel;
class AdminStatCard;
class QLabel;
class QStackedWidget;
class QToolButton;

// The dashboard page: the overview heading and the four statistics tiles, a
// spinner while the statistics load, and the refresh button.
class AdminOverviewView : public QWidget {
    Q_OBJECT
public:
    explicit AdminOverviewView(AdminDashboardViewModel* model, QWidget* parent = nullptr);

    const QList<AdminStatCard*>& cards() const { return m_cards; }

private:
    void retranslate();
    void update();

    AdminDashboardViewModel* m_model;
    QLabel* m_heading;
    QToolButton* m_refresh;
    QStackedWidget* m_content;
    QList<AdminStatCard*> m_cards;
};
