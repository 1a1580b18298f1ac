#include "state/contacts/ReportViewModel.h"

#include "services/ContactService.h"
#include "state/common/ErrorDescription.h"

#include <QPointer>

const QList<ReportViewModel::Reason>& ReportViewModel::reasons()
{
    static const QList<Reason> list {
        { QStringLiteral("spam"), "contact.report_spam" },
        { QStringLiteral("harassment"), "contact.report_harassment" },
        { QStringLiteral("inappropriate"), "contact.report_inappropriate" },
        { QStringLiteral("other"), "contact.report_other" },
    };
    return list;
}

ReportViewModel::ReportViewModel(qint64 userId, ContactService* contactService, QObject* parent)
    : QObject(parent)
    , m_userId(userId)
    , m_contactService(contactService)
{
}

void ReportViewModel::setReason(const QString& reason)
{
    if (m_reason == reason)
        return;
    m_reason = reason;
    Q_EMIT reasonChanged();
}

void ReportViewModel::setDescription(const QString& description)
{
    if (m_description == description)
        return;
    m_description = description;
    Q_EMIT descriptionChanged();
}

QCoro::Task<> ReportViewModel::submit()
{
    if (m_isSubmitting)
        co_return;
    QPointer<ReportViewModel> self(this);
    setIsSubmitting(true);
    const std::optional<QString> description = m_description.isEmpty() ? std::nullopt : std::optional(m_description);
    try {
        co_await m_contactService->reportUser(m_userId, m_reason, description);
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        m_error = errorDescription(error);
        Q_EMIT errorChanged();
        setIsSubmitting(false);
        co_return;
    }
    if (!self)
        co_return;
    setIsSubmitting(false);
    Q_EMIT submitted();
}

void ReportViewModel::setIsSubmitting(bool submitting)
{
    if (m_isSubmitting == submitting)
        return;
    m_isSubmitting = submitting;
    Q_EMIT isSubmittingChanged();
}
