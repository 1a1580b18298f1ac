#pragma once

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>
#include <utility>

class AuthService;
class AuthViewModel;

// The profile editor's fields and its save: the fields as typed go to
// "user.updateProfile", then the signed-in user is read again so every screen
// shows the stored values. A failed save keeps the fields and says why.
class ProfileEditViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isSaving READ isSaving NOTIFY isSavingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)

public:
    ProfileEditViewModel(AuthViewModel* authViewModel, AuthService& authService, QObject* parent = nullptr);

    // The picker's rows: stored value and label key, in order.
    static const QList<std::pair<QString, QString>>& genderOptions();

    QString name;
    QString bio;
    QString email;
    QString gender;
    QString region;

    bool isSaving() const { return m_isSaving; }
    // Never cleared by the editor: an earlier failure shows until the next one replaces it.
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }

    // Fills the fields from the signed-in user (absent values as ""); without a
    // user nothing changes.
    void loadFromUser();
    // Never throws. Emits saved() only after the server stored the fields.
    QCoro::Task<> saveProfile();

Q_SIGNALS:
    void isSavingChanged();
    void errorChanged();
    void saved();

private:
    void setIsSaving(bool saving);

    AuthViewModel* m_authViewModel;
    AuthService& m_authService;
    bool m_isSaving = false;
    std::optional<QString> m_error;
};
