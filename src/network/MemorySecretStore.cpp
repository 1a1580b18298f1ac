#include "network/MemorySecretStore.h"

bool MemorySecretStore::write(const QString& account, const QByteArray& data)
{
    if (m_failWrites)
        return false;
    m_values.insert(account, data);
    return true;
}

SecretStore::Loaded MemorySecretStore::read(const QString& account)
{
    if (!m_unreadable.isEmpty() && account == m_unreadable)
        return { Status::Failed, {} };
    const auto it = m_values.constFind(account);
    if (it == m_values.constEnd())
        return { Status::NotFound, {} };
    return { Status::Found, *it };
}

bool MemorySecretStore::remove(const QString& account)
{
    m_values.remove(account);
    return true;
}
