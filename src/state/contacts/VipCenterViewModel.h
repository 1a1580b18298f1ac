#pragma once

#include "services/VipService.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// The user's VIP membership and the levels on offer, read-only. Its texts are
// built-in Chinese; only failed fetches speak the interface language.
class VipCenterViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)

public:
    explicit VipCenterViewModel(QObject* parent = nullptr);
    explicit VipCenterViewModel(VipService* service, QObject* parent = nullptr);

    static QString title() { return QStringLiteral("VIP中心"); }
    static QString levelsHeading() { return QStringLiteral("VIP等级"); }
    // "<title>" of a level: its name, else "VIP " and its level number (0 when absent).
    static QString levelTitle(const VipService::VipLevel& level);
    // "<price as %.0f> 元/月", absent without a price.
    static std::optional<QString> priceText(const VipService::VipLevel& level);

    std::optional<VipService::VipStatus> status() const { return m_status; }
    QList<VipService::VipLevel> levels() const { return m_levels; }
    bool isLoading() const { return m_isLoading; }
    // A failed fetch of each half; cleared when that half arrives. A failed
    // status is not the non-member state: a paying member must not read "非VIP用户".
    std::optional<QString> statusError() const { return m_statusError; }
    std::optional<QString> levelsError() const { return m_levelsError; }

    bool isMember() const;
    // "VIP <level name>" for a member, "非VIP用户" otherwise.
    QString statusText() const;
    // "到期时间: <expiresAt>" whenever the status carries an expiry, member or not.
    std::optional<QString> expiryText() const;

    // Asks for both at once; the status is written as soon as it arrives, the
    // levels and the end of loading together. Never throws. When loads overlap
    // only the newest one's outcome is applied.
    QCoro::Task<> load();

Q_SIGNALS:
    void statusChanged();
    void levelsChanged();
    void isLoadingChanged();

private:
    void setIsLoading(bool loading);

    VipService* m_service;
    std::optional<VipService::VipStatus> m_status;
    QList<VipService::VipLevel> m_levels;
    bool m_isLoading = false;
    std::optional<QString> m_statusError;
    std::optional<QString> m_levelsError;
    quint64 m_generation = 0;
};
