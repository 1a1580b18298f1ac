#pragma once

#include "services/MFAService.h"
#include "state/common/ScreenError.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

// Two-factor sign-in of the signed-in account: its status, setting it up (a new
// secret and backup codes, confirmed with a code from an authenticator) and
// turning it off with a current code.
//
// Nothing is offered before a status has been read: an account whose status is
// unknown may have two-factor on, and asking for a new secret then would lock
// its owner out. A failed read offers a retry instead. One request runs at a
// time; the actions are refused while one is under way. Codes are counted and
// sent exactly as typed: the server alone judges what a code may hold.
class TwoFactorViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY changed)
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY changed)
    Q_PROPERTY(bool isEnabled READ isEnabled NOTIFY changed)
    Q_PROPERTY(bool showSetup READ showSetup NOTIFY changed)
    Q_PROPERTY(bool showDisable READ showDisable NOTIFY changed)
    Q_PROPERTY(QString verifyCode READ verifyCode WRITE setVerifyCode NOTIFY changed)
    Q_PROPERTY(QString disableCode READ disableCode WRITE setDisableCode NOTIFY changed)

public:
    static constexpr qsizetype codeLength = 6;

    explicit TwoFactorViewModel(QObject* parent = nullptr);
    explicit TwoFactorViewModel(MFAService* service, QObject* parent = nullptr);

    const std::optional<MFAService::MFAStatus>& status() const { return m_status; }
    const std::optional<MFAService::MFASetup>& setup() const { return m_setup; }
    QString verifyCode() const { return m_verifyCode; }
    QString disableCode() const { return m_disableCode; }
    // A status read is under way.
    bool isLoading() const { return m_isLoading; }
    // A set-up, confirmation or turn-off is under way.
    bool isBusy() const { return m_isBusy; }
    // Two-factor sign-in is on as last read.
    bool isEnabled() const { return m_status && m_status->enabled; }
    bool showSetup() const { return m_showSetup && m_setup.has_value(); }
    bool showDisable() const { return m_showDisable; }
    // The alert's text in the language in force; none while no alert shows.
    const std::optional<ScreenError>& error() const { return m_error; }
    std::optional<QString> errorMessage() const;

    bool canRetry() const { return !m_status && !m_isLoading; }
    bool canStartSetup() const { return m_status && !m_status->enabled && !m_isLoading && !m_isBusy; }
    bool canRequestDisable() const { return isEnabled() && !m_isLoading && !m_isBusy; }
    bool canVerify() const { return showSetup() && isCodeLongEnough(m_verifyCode) && !m_isBusy; }
    bool canDisable() const { return m_showDisable && isEnabled() && isCodeLongEnough(m_disableCode) && !m_isBusy; }
    // Six or more characters as a person counts them, blanks included.
    static bool isCodeLongEnough(const QString& code);

    void setVerifyCode(const QString& code);
    void setDisableCode(const QString& code);
    void clearError();
    // Opens the turn-off sheet.
    void requestDisable();
    // The sheet's cancel button: closes it and forgets the typed code.
    void cancelDisable();
    // The sheet closed any other way: the typed code stays for the next opening.
    void dismissDisable();

    // None of these throws; failures land in errorMessage().
    QCoro::Task<> loadStatus();
    QCoro::Task<> startSetup();
    QCoro::Task<> verifyAndEnable();
    QCoro::Task<> disableMFA();

Q_SIGNALS:
    void changed();
    void errorMessageChanged();

private:
    using CodeRequest = QCoro::Task<> (MFAService::*)(QString code);
    // Busy from here on; sends the code as typed and, once it is accepted, reads
    // the status again. True when both succeeded; the caller ends the busy state.
    QCoro::Task<bool> sendCodeAndReread(CodeRequest request, QString code);
    // Reads the status after a confirmation or a turn-off; false when it failed.
    QCoro::Task<bool> rereadStatus();
    void fail(const std::exception& error);
    void setBusy(bool busy);

    MFAService* m_service;
    std::optional<MFAService::MFAStatus> m_status;
    std::optional<MFAService::MFASetup> m_setup;
    QString m_verifyCode;
    QString m_disableCode;
    bool m_isLoading = true;
    bool m_isBusy = false;
    bool m_showSetup = false;
    bool m_showDisable = false;
    std::optional<ScreenError> m_error;
};
