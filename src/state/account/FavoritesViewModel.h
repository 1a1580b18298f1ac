#pragma once

#include "models/Message.h"
#include "state/common/ListReload.h"
#include "state/common/ScreenError.h"

#include <QCoroTask>
#include <QList>
#include <QObject>

#include <optional>

class ChatService;

// The messages the user starred: one page of 50 from the start, and removing a
// star, after which the message leaves the list only when the server agreed. A
// load that was on its way when a star came off does not bring the message back.
class FavoritesViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)

public:
    static constexpr qint64 pageLimit = 50;

    explicit FavoritesViewModel(QObject* parent = nullptr);
    explicit FavoritesViewModel(ChatService* service, QObject* parent = nullptr);

    const QList<Message>& favorites() const { return m_favorites; }
    bool isLoading() const { return m_isLoading; }
    const std::optional<ScreenError>& error() const { return m_error; }
    std::optional<QString> errorMessage() const;
    void clearError();
    // Why the latest load failed, until a load succeeds: the screen shows it with a
    // retry in place of its empty state. Changes only as a load ends.
    const std::optional<ScreenError>& loadFailure() const { return m_loadFailure; }

    // Neither throws; failures land in errorMessage().
    QCoro::Task<> loadFavorites();
    QCoro::Task<> removeFavorite(Message message);

Q_SIGNALS:
    void favoritesChanged();
    void isLoadingChanged();
    void errorMessageChanged();

private:
    void fail(const char* key, const std::exception& error);
    void setIsLoading(bool loading);

    ChatService* m_service;
    QList<Message> m_favorites;
    bool m_isLoading = true;
    std::optional<ScreenError> m_error;
    std::optional<ScreenError> m_loadFailure;
    ListReload<Message> m_reload;
};
