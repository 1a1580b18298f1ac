#pragma once

#include "services/SearchService.h"

#include <QAbstractListModel>
#include <QList>

#include <optional>

// The search sheet's answer as rows: a header over each kind that was found
// (contacts, groups, messages, in that order), then that kind's results.
class SearchResultModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { Header, Contact, Group, Message };
    enum Role {
        KindRole = Qt::UserRole + 1,
        // A header's section: "contacts", "groups" or "messages".
        SectionRole,
        // The bio, the member count or the message; empty for none.
        DetailRole,
        AvatarRole,
        // A message's time as the server sent it.
        TimeRole,
    };

    using QAbstractListModel::QAbstractListModel;

    void setResult(const std::optional<SearchService::GlobalSearchResult>& result);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    Kind kindAt(int row) const { return m_rows.at(row).kind; }

private:
    struct Row {
        Kind kind;
        // The result's place in its list; for a header, the kind of its section.
        qsizetype position;
    };

    SearchService::GlobalSearchResult m_result;
    QList<Row> m_rows;
};
