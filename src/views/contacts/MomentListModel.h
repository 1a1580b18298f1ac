#pragma once

#include "models/Moment.h"

#include <QAbstractListModel>
#include <QList>

class MomentsViewModel;

// The feed's moments as rows. The feed comes back whole after every like or
// comment, so a new feed is compared with the rows shown: a moment that changed
// changes its row alone and moments added at the end are appended; only a feed
// whose order differs resets the rows.
class MomentListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit MomentListModel(MomentsViewModel* viewModel, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    // The rows are shown from moment(); data() is what a row says, as one text.
    QVariant data(const QModelIndex& index, int role) const override;
    const Moment& moment(int row) const { return m_moments.at(row); }

private:
    void momentsChanged();

    MomentsViewModel* m_viewModel;
    QList<Moment> m_moments;
};
