#pragma once

#include "services/GiftService.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

// The gift catalogue as the server offers it, read-only, in server order. Its
// texts are built-in Chinese; only a failed fetch speaks the interface language.
class GiftShopViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)

public:
    explicit GiftShopViewModel(QObject* parent = nullptr);
    explicit GiftShopViewModel(GiftService* service, QObject* parent = nullptr);

    static QString title() { return QStringLiteral("礼物商店"); }
    static QString emptyText() { return QStringLiteral("暂无可用礼物"); }
    // The name, or "礼物" when the server sent none.
    static QString displayName(const GiftService::Gift& gift);
    // "<price as %.0f> 金币", absent without a price.
    static std::optional<QString> priceText(const GiftService::Gift& gift);

    QList<GiftService::Gift> gifts() const { return m_gifts; }
    bool isLoading() const { return m_isLoading; }
    // The last failed fetch; cleared when a fetch succeeds. A failure is not an empty shop.
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    // The icon to load, or an invalid URL when the gift shows the plain symbol.
    QUrl iconUrl(const GiftService::Gift& gift) const;

    // Never throws. When fetches overlap only the newest one's outcome is applied.
    QCoro::Task<> loadGifts();

Q_SIGNALS:
    void giftsChanged();
    void isLoadingChanged();
    void errorChanged();

private:
    void setIsLoading(bool loading);

    GiftService* m_service;
    QList<GiftService::Gift> m_gifts;
    bool m_isLoading = false;
    std::optional<QString> m_error;
    quint64 m_generation = 0;
};
