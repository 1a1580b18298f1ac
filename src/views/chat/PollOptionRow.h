#pragma once

#include "services/PollService.h"

#include <QAbstractButton>

#include <functional>

// One option of a poll as a full-width button: the option's text, its votes with
// their share of all votes, and a thin bar filled by that share.
class PollOptionRow : public QAbstractButton {
    Q_OBJECT
public:
    PollOptionRow(PollOptionResult option, qint64 totalVotes, std::function<void()> onVote, QWidget* parent = nullptr);

    // The bar's fill, clamped to 0…1 so inconsistent counts cannot overdraw the track.
    static qreal share(qint64 votes, qint64 totalVotes);
    // Truncated toward zero and, unlike the bar, not clamped: the text shows the counts as they are.
    static qint64 percentage(qint64 votes, qint64 totalVotes);
    QString voteText() const;
    qreal barShare() const { return share(votes(), m_totalVotes); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qint64 votes() const { return m_option.voteCount.value_or(0); }

    PollOptionResult m_option;
    qint64 m_totalVotes;
};
