#pragma once

#include "models/Contact.h"
#include "state/account/UserDefaults.h"
#include "state/common/ScreenError.h"

#include <QCoroTask>
#include <QList>
#include <QObject>

#include <optional>

class ContactService;

// The privacy screen: four stored switches (only stored, never sent) and the
// blacklist, which is the contacts the server reports as blocked. An entry leaves
// the list only once the server confirmed the unblock.
class PrivacySettingsViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Contact> blockedUsers READ blockedUsers NOTIFY blockedUsersChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)

public:
    static inline const UserDefaults::BoolKey showOnlineStatus { QStringLiteral("showOnlineStatus"), true };
    static inline const UserDefaults::BoolKey showReadReceipts { QStringLiteral("showReadReceipts"), true };
    static inline const UserDefaults::BoolKey allowFriendRequests { QStringLiteral("allowFriendRequests"), true };
    static inline const UserDefaults::BoolKey allowGroupInvites { QStringLiteral("allowGroupInvites"), true };

    explicit PrivacySettingsViewModel(ContactService& contactService, QObject* parent = nullptr);

    QList<Contact> blockedUsers() const { return m_blockedUsers; }
    // True from construction until the first load has ended.
    bool isLoading() const { return m_isLoading; }
    // True once the server gave the list: only then does an empty list mean "none".
    bool isLoaded() const { return m_isLoaded; }
    std::optional<ScreenError> error() const { return m_error; }
    void clearError();

    // The blocked entries of "contacts.list", in server order. Never throws.
    QCoro::Task<> loadBlockedUsers();
    // Unblocks contact.contactId; on success drops every entry with contact.id.
    // Never throws: a failure keeps the entry and is reported in error().
    QCoro::Task<> unblock(Contact contact);

    // nickname, else name, else the built-in "未知用户"; an empty text counts as given.
    static QString shownName(const Contact& contact);

Q_SIGNALS:
    void blockedUsersChanged();
    void isLoadingChanged();
    void errorChanged();

private:
    void setError(ScreenError error);

    ContactService& m_contacts;
    QList<Contact> m_blockedUsers;
    bool m_isLoading = true;
    bool m_isLoaded = false;
    std::optional<ScreenError> m_error;
};
