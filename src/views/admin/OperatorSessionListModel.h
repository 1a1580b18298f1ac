#pragma once

#include "models/OperatorSession.h"
#include "views/common/RowAction.h"

#include <QAbstractListModel>

class OperatorConsoleViewModel;

// One of the operator's session lists as rows for OperatorSessionRow: the
// workspace (a "waiting (n)" heading over the waiting sessions, then an "active
// (n)" heading over the active ones; a heading only when it has sessions) or the
// history (the ended sessions). A change to the sessions moves, adds or removes
// only the rows it touches, and announces itself with aboutToChange and changed
// so a view can tell its own selection from a row that moved away under it.
// A session row offers its action (RowAction): Accept on a waiting row, the one
// Return runs, End on an active one; either waits while a request for the
// session is on its way. Screen readers get the whole row as one text.
class OperatorSessionListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { Workspace, History };
    enum Role {
        SessionIdRole = Qt::UserRole + 1, // absent on a heading
        StatusRole,
        IsHeadingRole,
        LastMessageRole,
        CreatedAtRole,
        FilledStarsRole, // -1 when the row shows no stars
    };

    OperatorSessionListModel(OperatorConsoleViewModel* sessions, Kind kind, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The row of the session, or -1.
    int rowOf(qint64 sessionId) const;
    // What the row offers, for the list's keyboard, its menu and screen readers.
    QList<RowAction> actions(const QModelIndex& index) const;

Q_SIGNALS:
    void aboutToChange();
    void changed();

private:
    struct Row {
        // A heading has no session; its text key and count stand in for it.
        std::optional<OperatorSession> session;
        const char* headingKey = nullptr;
        qsizetype count = 0;
        bool sameRowAs(const Row& other) const;
        bool sameContentAs(const Row& other) const;
    };

    QList<Row> buildRows() const;
    void update();
    // Every row again: a language switch, or an action greyed or back.
    void redrawAll();
    // Everything the row shows, in reading order.
    QString spokenText(const OperatorSession& session) const;

    OperatorConsoleViewModel* m_sessions;
    Kind m_kind;
    QList<Row> m_rows;
};
