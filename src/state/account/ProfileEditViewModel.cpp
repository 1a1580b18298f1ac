#include "state/account/ProfileEditViewModel.h"

#include "network/AuthService.h"
#include "network/ProfileUpdate.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/ErrorDescription.h"

#include <QPointer>

ProfileEditViewModel::ProfileEditViewModel(AuthViewModel* authViewModel, AuthService& authService, QObject* parent)
    : QObject(parent)
    , m_authViewModel(authViewModel)
    , m_authService(authService)
{
}

const QList<std::pair<QString, QString>>& ProfileEditViewModel::genderOptions()
{
    static const QList<std::pair<QString, QString>> options {
        { QString(), QStringLiteral("profile.gender_unset") },
        { QStringLiteral("male"), QStringLiteral("profile.gender_male") },
        { QStringLiteral("female"), QStringLiteral("profile.gender_female") },
    };
    return options;
}

void ProfileEditViewModel::loadFromUser()
{
    const std::optional<User> user = m_authViewModel->user();
    if (!user)
        return;
    name = user->name;
    bio = user->bio.value_or(QString());
    email = user->email.value_or(QString());
    gender = user->gender.value_or(QString());
    region = user->region.value_or(QString());
}

void ProfileEditViewModel::setIsSaving(bool saving)
{
    if (m_isSaving == saving)
        return;
    m_isSaving = saving;
    Q_EMIT isSavingChanged();
}

QCoro::Task<> ProfileEditViewModel::saveProfile()
{
    QPointer<ProfileEditViewModel> self(this);
    setIsSaving(true);
    ProfileUpdate update { name, bio, email, gender, region };
    try {
        co_await m_authService.updateProfile(std::move(update));
    } catch (const std::exception& failure) {
        if (self) {
            self->m_error = errorDescription(failure);
            Q_EMIT self->errorChanged();
            self->setIsSaving(false);
        }
        co_return;
    }
    if (!self)
        co_return;
    // Does not throw: a failed read signs the user out, and the editor closes anyway.
    co_await m_authViewModel->refreshCurrentUser();
    if (!self)
        co_return;
    Q_EMIT saved();
    setIsSaving(false);
}
