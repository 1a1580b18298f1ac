#include "state/account/PrivacySettingsViewModel.h"

#include "services/ContactService.h"
#include "state/common/ErrorDescription.h"

#include <QPointer>

PrivacySettingsViewModel::PrivacySettingsViewModel(ContactService& contactService, QObject* parent)
    : QObject(parent)
    , m_contacts(contactService)
{
}

void PrivacySettingsViewModel::clearError()
{
    if (!m_error)
        return;
    m_error.reset();
    Q_EMIT errorChanged();
}

void PrivacySettingsViewModel::setError(ScreenError error)
{
    m_error = std::move(error);
    Q_EMIT errorChanged();
}

QCoro::Task<> PrivacySettingsViewModel::loadBlockedUsers()
{
    QPointer<PrivacySettingsViewModel> self(this);
    QList<Contact> blocked;
    std::optional<ScreenError> failure;
    try {
        const QList<Contact> contacts = co_await m_contacts.getContacts();
        for (const Contact& contact : contacts) {
            if (contact.blocked.value_or(false))
                blocked.append(contact);
        }
    } catch (const std::exception& error) {
        failure = ScreenError { QStringLiteral("privacy.blacklist_load_failed"), QString(), errorDescription(error) };
    }
    if (!self)
        co_return;
    m_blockedUsers = blocked;
    m_isLoading = false;
    m_isLoaded = !failure;
    Q_EMIT blockedUsersChanged();
    Q_EMIT isLoadingChanged();
    if (failure)
        setError(*failure);
}

QCoro::Task<> PrivacySettingsViewModel::unblock(Contact contact)
{
    QPointer<PrivacySettingsViewModel> self(this);
    try {
        co_await m_contacts.unblock(contact.contactId);
    } catch (const std::exception& error) {
        if (self)
            self->setError(ScreenError { QStringLiteral("privacy.unblock_failed"), QString(), errorDescription(error) });
        co_return;
    }
    if (!self)
        co_return;
    if (m_blockedUsers.removeIf([&](const Contact& entry) { return entry.id == contact.id; }) > 0)
        Q_EMIT blockedUsersChanged();
}

QString PrivacySettingsViewModel::shownName(const Contact& contact)
{
    if (contact.nickname)
        return *contact.nickname;
    return contact.name.value_or(QStringLiteral("未知用户"));
}
