#include "views/contacts/MomentListModel.h"

#include "state/common/PrintfFormat.h"
#include "state/contacts/MomentsViewModel.h"
#include "views/common/Localized.h"

MomentListModel::MomentListModel(MomentsViewModel* viewModel, QObject* parent)
    : QAbstractListModel(parent)
    , m_viewModel(viewModel)
    , m_moments(viewModel->moments())
{
    connect(viewModel, &MomentsViewModel::momentsChanged, this, &MomentListModel::momentsChanged);
}

int MomentListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_moments.size());
}

QVariant MomentListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_moments.size() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    // What the row shows, in its order, for whoever reads rather than sees it.
    const Moment& moment = m_moments.at(index.row());
    QStringList parts { moment.userName.value_or(Localized::text("moments.author_unknown")) };
    for (const std::optional<QString>& part : { moment.createdAt, moment.content, moment.location })
        if (part && !part->isEmpty())
            parts << *part;
    parts << printfFormat(Localized::text("moments.likes_count"), { QString::number(moment.likeCount.value_or(0)) })
          << printfFormat(Localized::text("moments.comments_count"), { QString::number(moment.commentCount.value_or(0)) });
    return parts.join(QStringLiteral(", "));
}

void MomentListModel::momentsChanged()
{
    const QList<Moment> moments = m_viewModel->moments();
    bool sameOrder = moments.size() >= m_moments.size();
    for (qsizetype i = 0; sameOrder && i < m_moments.size(); ++i)
        sameOrder = moments.at(i).id == m_moments.at(i).id;
    if (!sameOrder) {
        beginResetModel();
        m_moments = moments;
        endResetModel();
        return;
    }
    for (qsizetype i = 0; i < m_moments.size(); ++i) {
        if (json::encode(moments.at(i)) == json::encode(m_moments.at(i)))
            continue;
        m_moments[i] = moments.at(i);
        Q_EMIT dataChanged(index(int(i)), index(int(i)));
    }
    if (moments.size() > m_moments.size()) {
        beginInsertRows({}, int(m_moments.size()), int(moments.size()) - 1);
        m_moments.append(moments.mid(m_moments.size()));
        endInsertRows();
    }
}
