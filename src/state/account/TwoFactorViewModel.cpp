#include "state/account/TwoFactorViewModel.h"

#include "state/account/Graphemes.h"
#include "state/common/ErrorDescription.h"

#include <QPointer>

TwoFactorViewModel::TwoFactorViewModel(QObject* parent)
    : TwoFactorViewModel(&MFAService::shared(), parent)
{
}

TwoFactorViewModel::TwoFactorViewModel(MFAService* service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{
}

std::optional<QString> TwoFactorViewModel::errorMessage() const
{
    if (!m_error)
        return std::nullopt;
    return m_error->text();
}

bool TwoFactorViewModel::isCodeLongEnough(const QString& code)
{
    return graphemes::count(code) >= codeLength;
}

void TwoFactorViewModel::setVerifyCode(const QString& code)
{
    if (m_verifyCode == code)
        return;
    m_verifyCode = code;
    Q_EMIT changed();
}

void TwoFactorViewModel::setDisableCode(const QString& code)
{
    if (m_disableCode == code)
        return;
    m_disableCode = code;
    Q_EMIT changed();
}

void TwoFactorViewModel::clearError()
{
    if (!m_error)
        return;
    m_error.reset();
    Q_EMIT errorMessageChanged();
}

void TwoFactorViewModel::requestDisable()
{
    if (!canRequestDisable())
        return;
    m_showDisable = true;
    Q_EMIT changed();
}

void TwoFactorViewModel::cancelDisable()
{
    m_showDisable = false;
    m_disableCode.clear();
    Q_EMIT changed();
}

void TwoFactorViewModel::dismissDisable()
{
    if (!m_showDisable)
        return;
    m_showDisable = false;
    Q_EMIT changed();
}

void TwoFactorViewModel::fail(const std::exception& error)
{
    // The description alone: the server's refusal ("invalid code") says it all.
    m_error = ScreenError { QString(), QString(), errorDescription(error) };
    Q_EMIT errorMessageChanged();
}

void TwoFactorViewModel::setBusy(bool busy)
{
    m_isBusy = busy;
    Q_EMIT changed();
}

QCoro::Task<> TwoFactorViewModel::loadStatus()
{
    if (m_isBusy)
        co_return;
    QPointer<TwoFactorViewModel> self(this);
    m_isLoading = true;
    Q_EMIT changed();
    try {
        MFAService::MFAStatus status = co_await m_service->getStatus();
        if (!self)
            co_return;
        m_status = status;
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        fail(error);
    }
    m_isLoading = false;
    Q_EMIT changed();
}

QCoro::Task<> TwoFactorViewModel::startSetup()
{
    if (!canStartSetup())
        co_return;
    QPointer<TwoFactorViewModel> self(this);
    setBusy(true);
    try {
        MFAService::MFASetup setup = co_await m_service->setup();
        if (!self)
            co_return;
        m_setup = std::move(setup);
        m_showSetup = true;
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        fail(error);
    }
    setBusy(false);
}

QCoro::Task<bool> TwoFactorViewModel::rereadStatus()
{
    QPointer<TwoFactorViewModel> self(this);
    try {
        MFAService::MFAStatus status = co_await m_service->getStatus();
        if (!self)
            co_return false;
        m_status = status;
        co_return true;
    } catch (const std::exception& error) {
        if (!self)
            co_return false;
        // The code was just taken, so the status last read is out of date; kept,
        // an "off" would offer a new secret to an account that may now be on.
        m_status.reset();
        fail(error);
        co_return false;
    }
}

QCoro::Task<> TwoFactorViewModel::verifyAndEnable()
{
    if (!canVerify())
        co_return;
    QPointer<TwoFactorViewModel> self(this);
    // A failure keeps the set-up section and the typed code for another try.
    if (co_await sendCodeAndReread(&MFAService::verify, m_verifyCode)) {
        m_showSetup = false;
        m_verifyCode.clear();
    }
    if (self)
        setBusy(false);
}

QCoro::Task<> TwoFactorViewModel::disableMFA()
{
    if (!canDisable())
        co_return;
    QPointer<TwoFactorViewModel> self(this);
    // A failure keeps the sheet open with the typed code.
    if (co_await sendCodeAndReread(&MFAService::disable, m_disableCode)) {
        m_showDisable = false;
        m_disableCode.clear();
    }
    if (self)
        setBusy(false);
}

QCoro::Task<bool> TwoFactorViewModel::sendCodeAndReread(CodeRequest request, QString code)
{
    QPointer<TwoFactorViewModel> self(this);
    setBusy(true);
    bool accepted = false;
    try {
        co_await (m_service->*request)(code);
        accepted = true;
    } catch (const std::exception& error) {
        if (self)
            fail(error);
    }
    if (!self || !accepted)
        co_return false;
    co_return co_await rereadStatus();
}
