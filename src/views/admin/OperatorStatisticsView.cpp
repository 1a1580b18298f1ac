#include "views/admin/OperatorStatisticsView.h"

#include "state/admin/OperatorConsoleViewModel.h"
#include "state/admin/OperatorStatistics.h"
#include "state/common/LocalizationManager.h"
#include "views/admin/AdminStatCard.h"

#include <QGridLayout>
#include <QVBoxLayout>

namespace {

const AdminStatCard::Tile tiles[] = {
    { "operator.today_served", "person.wave.2", Tint::Blue },
    { "operator.avg_rating", "star.fill", Tint::Yellow },
    { "operator.response_time", "clock", Tint::Green },
    { "operator.resolution_rate", "checkmark.circle", Tint::Purple },
};

} // namespace

OperatorStatisticsView::OperatorStatisticsView(OperatorConsoleViewModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("operatorStatisticsView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(12);
    for (int i = 0; i < 4; ++i) {
        auto* card = new AdminStatCard(tiles[i], QString(), this);
        card->setMinimumWidth(10);
        grid->addWidget(card, i / 2, i % 2);
        m_cards.append(card);
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);
    column->addStretch(1);
    connect(m_model, &OperatorConsoleViewModel::statsChanged, this, &OperatorStatisticsView::update);
    connect(m_model, &OperatorConsoleViewModel::sessionsChanged, this, &OperatorStatisticsView::update);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &OperatorStatisticsView::update);
    update();
}

void OperatorStatisticsView::update()
{
    const auto& stats = m_model->stats();
    const QList<OperatorSession> ended = m_model->endedSessions();
    const QStringList values {
        operatorstatistics::todayServedText(stats, m_model->activeSessions().size(), ended.size()),
        operatorstatistics::averageRatingText(stats, ended),
        operatorstatistics::responseTimeText(stats),
        operatorstatistics::resolutionRateText(stats),
    };
    for (int i = 0; i < m_cards.size(); ++i) {
        m_cards.at(i)->retranslate();
        m_cards.at(i)->setValue(values.at(i));
    }
}
