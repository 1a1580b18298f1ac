#pragma once

#include "models/AdminStats.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

class APIClient;

// The administration console's own state: the statistics it loads once when shown
// (and again on refresh), kept while the administrator moves between sections.
class AdminDashboardViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString errorMessage READ errorText NOTIFY errorMessageChanged)

public:
    explicit AdminDashboardViewModel(APIClient& api, QObject* parent = nullptr);

    const std::optional<AdminStats>& stats() const { return m_stats; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorText() const { return m_errorMessage.value_or(QString()); }
    void clearError();

    // The four tile values in tile order: users, online users, messages, active
    // groups; 0 for what the statistics do not say.
    QList<qint64> tileValues() const;

    // Never throws. A reply to an older load never replaces a newer one's.
    QCoro::Task<> loadStats();

Q_SIGNALS:
    void statsChanged();
    void isLoadingChanged();
    void errorMessageChanged();

private:
    void setIsLoading(bool loading);

    APIClient& m_api;
    std::optional<AdminStats> m_stats;
    bool m_isLoading = false;
    std::optional<QString> m_errorMessage;
    quint64 m_generation = 0;
};
