#pragma once

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class ContactService;

// The report sheet: a reason, an optional description, and the submission.
// Only a report the server accepted closes the sheet; a refused one keeps the
// user's input and shows why.
class ReportViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString reason READ reason WRITE setReason NOTIFY reasonChanged)
    Q_PROPERTY(QString description READ description WRITE setDescription NOTIFY descriptionChanged)
    Q_PROPERTY(bool isSubmitting READ isSubmitting NOTIFY isSubmittingChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)

public:
    struct Reason {
        QString code;
        const char* labelKey;
    };
    // "spam", "harassment", "inappropriate", "other", in picker order.
    static const QList<Reason>& reasons();

    ReportViewModel(qint64 userId, ContactService* contactService, QObject* parent = nullptr);

    qint64 userId() const { return m_userId; }
    QString reason() const { return m_reason; }
    void setReason(const QString& reason);
    QString description() const { return m_description; }
    void setDescription(const QString& description);
    bool isSubmitting() const { return m_isSubmitting; }
    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }

    // The description goes as typed (blanks included) and is left out when empty.
    QCoro::Task<> submit();

Q_SIGNALS:
    void reasonChanged();
    void descriptionChanged();
    void isSubmittingChanged();
    void errorChanged();
    void submitted();

private:
    void setIsSubmitting(bool submitting);

    qint64 m_userId;
    ContactService* m_contactService;
    QString m_reason = QStringLiteral("spam");
    QString m_description;
    bool m_isSubmitting = false;
    std::optional<QString> m_error;
};
