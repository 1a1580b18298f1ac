#pragma once

#include <QList>
#include <QWidget>

class AdminStatCard;
class OperatorConsoleViewModel;

// The operator's statistics tab: served today, average rating, response time and
// resolution rate, two tiles to a row.
class OperatorStatisticsView : public QWidget {
    Q_OBJECT
public:
    explicit OperatorStatisticsView(OperatorConsoleViewModel* model, QWidget* parent = nullptr);

    const QList<AdminStatCard*>& cards() const { return m_cards; }

private:
    void update();

    OperatorConsoleViewModel* m_model;
    QList<AdminStatCard*> m_cards;
};
