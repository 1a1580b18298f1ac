#include "state/admin/OperatorConsoleViewModel.h"

#include "services/Procedure.h"
#include "state/common/ErrorDescription.h"
#include "state/common/LocalizationManager.h"

#include <QPointer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

struct SessionInput {
    qint64 sessionId;
    void write(json::Writer& w) const { w.required("sessionId"_L1, sessionId); }
};

struct SendInput {
    qint64 sessionId;
    QString content;
    void write(json::Writer& w) const
    {
        w.required("sessionId"_L1, sessionId);
        w.required("content"_L1, content);
    }
};

} // namespace

OperatorConsoleViewModel::OperatorConsoleViewModel(APIClient& api, QObject* parent)
    : QObject(parent)
    , m_api(api)
{
}

void OperatorConsoleViewModel::clearError()
{
    if (!m_errorMessage)
        return;
    m_errorMessage.reset();
    Q_EMIT errorMessageChanged();
}

QList<OperatorSession> OperatorConsoleViewModel::withStatus(const QString& status) const
{
    QList<OperatorSession> out;
    for (const OperatorSession& session : m_sessions) {
        if (session.status == status)
            out.append(session);
    }
    return out;
}

std::optional<OperatorSession> OperatorConsoleViewModel::selectedSession() const
{
    if (!m_selectedId)
        return std::nullopt;
    for (const OperatorSession& session : m_sessions) {
        if (session.id == *m_selectedId)
            return session;
    }
    return std::nullopt;
}

void OperatorConsoleViewModel::select(std::optional<qint64> sessionId)
{
    if (m_selectedId == sessionId)
        return;
    m_selectedId = sessionId;
    Q_EMIT selectionChanged();
    Q_EMIT messageTextChanged();
}

QString OperatorConsoleViewModel::messageText() const
{
    return m_selectedId ? m_drafts.value(*m_selectedId) : QString();
}

void OperatorConsoleViewModel::setMessageText(const QString& text)
{
    if (!m_selectedId || messageText() == text)
        return;
    if (text.isEmpty())
        m_drafts.remove(*m_selectedId);
    else
        m_drafts.insert(*m_selectedId, text);
    Q_EMIT messageTextChanged();
}

bool OperatorConsoleViewModel::canSend() const
{
    return !messageText().trimmed().isEmpty() && !(m_selectedId && m_sending.contains(*m_selectedId));
}

OperatorConsoleViewModel::StatusInfo OperatorConsoleViewModel::statusInfo(const std::optional<QString>& status)
{
    if (status == u"waiting"_s)
        return { u"operator.waiting"_s, Tint::Orange };
    if (status == u"active"_s)
        return { u"operator.active"_s, Tint::Green };
    if (status == u"ended"_s)
        return { u"operator.ended"_s, Tint::Gray };
    return { u"operator.unknown_status"_s, Tint::Gray };
}

std::optional<int> OperatorConsoleViewModel::filledStars(const std::optional<qint64>& rating)
{
    if (!rating)
        return std::nullopt;
    return int(std::clamp<qint64>(*rating, 0, 5));
}

QCoro::Task<> OperatorConsoleViewModel::loadData()
{
    QPointer<OperatorConsoleViewModel> self(this);
    const quint64 sessionsTicket = m_reload.begin();
    const quint64 statsGeneration = ++m_statsGeneration;
    if (m_loadsRunning++ == 0) {
        m_isLoading = true;
        Q_EMIT isLoadingChanged();
    }
    try {
        QList<OperatorSession> sessions = co_await procedure::query<QList<OperatorSession>>(m_api, u"operator.getSessions"_s);
        if (!self)
            co_return;
        if (m_reload.isLatest(sessionsTicket)) {
            m_reload.settle(sessions);
            m_sessions = std::move(sessions);
            Q_EMIT sessionsChanged();
            Q_EMIT selectionChanged();
        }
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        if (m_reload.isLatest(sessionsTicket))
            setError("operator.load_sessions_failed", error);
    }
    try {
        OperatorStatsResponse stats = co_await procedure::query<OperatorStatsResponse>(m_api, u"operator.getStats"_s);
        if (!self)
            co_return;
        if (statsGeneration == m_statsGeneration) {
            m_stats = std::move(stats);
            Q_EMIT statsChanged();
        }
    } catch (const std::exception&) {
        // The statistics fall back to the session lists; a failure is not reported.
        if (!self)
            co_return;
    }
    if (--m_loadsRunning == 0) {
        m_isLoading = false;
        Q_EMIT isLoadingChanged();
    }
}

QCoro::Task<> OperatorConsoleViewModel::acceptSession(qint64 sessionId)
{
    return changeStatus(sessionId, u"waiting"_s, u"operator.acceptSession"_s, u"active"_s, "operator.accept_failed");
}

QCoro::Task<> OperatorConsoleViewModel::endSession(qint64 sessionId)
{
    return changeStatus(sessionId, u"active"_s, u"operator.endSession"_s, u"ended"_s, "operator.end_session_failed");
}

QCoro::Task<> OperatorConsoleViewModel::changeStatus(qint64 sessionId, QString from, QString procedureName, QString to,
                                                     const char* failureKey)
{
    const bool listedAsFrom = std::any_of(m_sessions.cbegin(), m_sessions.cend(),
                                          [&](const OperatorSession& s) { return s.id == sessionId && s.status == from; });
    if (!listedAsFrom || m_busy.contains(sessionId))
        co_return;
    QPointer<OperatorConsoleViewModel> self(this);
    m_busy.insert(sessionId);
    Q_EMIT busyChanged();
    try {
        const SessionInput input { sessionId };
        co_await procedure::mutation<void>(m_api, procedureName, input);
        if (!self)
            co_return;
        if (m_reload.apply(m_sessions, ListReload<OperatorSession>::change(sessionId, [to](OperatorSession& s) { s.status = to; }))) {
            Q_EMIT sessionsChanged();
            Q_EMIT selectionChanged();
        }
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        setError(failureKey, error);
    }
    m_busy.remove(sessionId);
    Q_EMIT busyChanged();
}

QCoro::Task<> OperatorConsoleViewModel::sendMessage(qint64 sessionId)
{
    const QString typed = m_drafts.value(sessionId);
    const QString content = typed.trimmed();
    if (content.isEmpty() || m_sending.contains(sessionId))
        co_return;
    QPointer<OperatorConsoleViewModel> self(this);
    m_sending.insert(sessionId);
    Q_EMIT sendingChanged();
    try {
        const SendInput input { sessionId, content };
        co_await procedure::mutation<void>(m_api, u"operator.sendMessage"_s, input);
        if (!self)
            co_return;
        // What was typed meanwhile stays.
        if (m_drafts.value(sessionId) == typed) {
            m_drafts.remove(sessionId);
            if (m_selectedId == sessionId)
                Q_EMIT messageTextChanged();
        }
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        setError("operator.send_failed", error);
    }
    m_sending.remove(sessionId);
    Q_EMIT sendingChanged();
}

void OperatorConsoleViewModel::setError(const char* key, const std::exception& error)
{
    m_errorMessage = LocalizationManager::shared().localizedString(QString::fromLatin1(key)) + errorDescription(error);
    Q_EMIT errorMessageChanged();
}
