#pragma once

#include "models/OperatorSession.h"
#include "models/OperatorStatsResponse.h"
#include "state/admin/Tint.h"
#include "state/common/ListReload.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class APIClient;

// The operator console's state: the customer sessions with their waiting, active
// and ended lists, the operator's statistics, the selected session and a draft
// reply per session.
//
// The selection is a session id: the detail always shows that session as the list
// has it now, so an accepted or ended session shows its new status and actions. A
// draft belongs to its session and is never sent to another customer. A reply to
// an older load never replaces a newer one's, nor undoes an accept or end that
// ended while it was on its way; a second accept or end of a session while the
// first is in flight sends nothing. Accept and end act on the status the session
// has when they run, not the one a menu or button was made for: only a waiting
// session is accepted, only an active one ended.
class OperatorConsoleViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString errorMessage READ errorText NOTIFY errorMessageChanged)
    Q_PROPERTY(QString messageText READ messageText WRITE setMessageText NOTIFY messageTextChanged)

public:
    struct StatusInfo {
        QString textKey;
        Tint tint;
    };

    explicit OperatorConsoleViewModel(APIClient& api, QObject* parent = nullptr);

    const QList<OperatorSession>& sessions() const { return m_sessions; }
    QList<OperatorSession> waitingSessions() const { return withStatus(QStringLiteral("waiting")); }
    QList<OperatorSession> activeSessions() const { return withStatus(QStringLiteral("active")); }
    QList<OperatorSession> endedSessions() const { return withStatus(QStringLiteral("ended")); }
    const std::optional<OperatorStatsResponse>& stats() const { return m_stats; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorText() const { return m_errorMessage.value_or(QString()); }
    void clearError();

    std::optional<qint64> selectedSessionId() const { return m_selectedId; }
    // The selected session as the list has it now; none when nothing is selected
    // or the session is no longer listed.
    std::optional<OperatorSession> selectedSession() const;
    void select(std::optional<qint64> sessionId);

    // The draft of the selected session.
    QString messageText() const;
    void setMessageText(const QString& text);
    QString draft(qint64 sessionId) const { return m_drafts.value(sessionId); }
    // The send button: the selected session's draft has more than blanks and no
    // reply to that session is on its way.
    bool canSend() const;
    // An accept or end of the session is on its way.
    bool isBusy(qint64 sessionId) const { return m_busy.contains(sessionId); }

    // Exact, case-sensitive; anything else is the unknown status in gray.
    static StatusInfo statusInfo(const std::optional<QString>& status);
    // Filled stars of a history row out of five; none: the row shows no stars.
    static std::optional<int> filledStars(const std::optional<qint64>& rating);

    // None of these throws. Accept and end send nothing unless the list has the
    // session waiting (for accept) or active (for end) at that moment.
    QCoro::Task<> loadData();
    QCoro::Task<> acceptSession(qint64 sessionId);
    QCoro::Task<> endSession(qint64 sessionId);
    // Sends that session's own draft, trimmed; a blank draft sends nothing, and
    // neither does a second send while the first is on its way.
    QCoro::Task<> sendMessage(qint64 sessionId);

Q_SIGNALS:
    void sessionsChanged();
    void statsChanged();
    void isLoadingChanged();
    void errorMessageChanged();
    void selectionChanged();
    void messageTextChanged();
    void busyChanged();
    void sendingChanged();

private:
    QList<OperatorSession> withStatus(const QString& status) const;
    QCoro::Task<> changeStatus(qint64 sessionId, QString from, QString procedure, QString to, const char* failureKey);
    void setError(const char* key, const std::exception& error);

    APIClient& m_api;
    QList<OperatorSession> m_sessions;
    std::optional<OperatorStatsResponse> m_stats;
    bool m_isLoading = false;
    std::optional<QString> m_errorMessage;
    std::optional<qint64> m_selectedId;
    QHash<qint64, QString> m_drafts;
    QSet<qint64> m_busy;
    QSet<qint64> m_sending;
    ListReload<OperatorSession> m_reload;
    quint64 m_statsGeneration = 0;
    int m_loadsRunning = 0;
};
