#pragma once

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

class APIClient;

// The system configuration form. Save stays disabled until the server's settings
// have been read (a form of defaults must never overwrite them), a number field
// that is not a positive whole number blocks the save, and "saved" is announced
// only after the server accepted.
class SystemConfigViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString maxGroupMembers READ maxGroupMembers WRITE setMaxGroupMembers NOTIFY formChanged)
    Q_PROPERTY(QString messageRetentionDays READ messageRetentionDays WRITE setMessageRetentionDays NOTIFY formChanged)
    Q_PROPERTY(bool screenshotProtection READ screenshotProtection WRITE setScreenshotProtection NOTIFY formChanged)
    Q_PROPERTY(bool allowRegistration READ allowRegistration WRITE setAllowRegistration NOTIFY formChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY stateChanged)
    Q_PROPERTY(bool isSaving READ isSaving NOTIFY stateChanged)
    Q_PROPERTY(bool canSave READ canSave NOTIFY stateChanged)
    Q_PROPERTY(QString errorMessage READ errorText NOTIFY errorMessageChanged)

public:
    enum class Field { Empty, Valid, Invalid };
    // The values the server accepts for a number field, both ends included.
    struct Range {
        qint64 minimum;
        qint64 maximum;
    };
    static constexpr Range maxGroupMembersRange { 2, 10000 };
    static constexpr Range retentionDaysRange { 1, 36500 };

    explicit SystemConfigViewModel(APIClient& api, QObject* parent = nullptr);

    QString maxGroupMembers() const { return m_maxGroupMembers; }
    QString messageRetentionDays() const { return m_messageRetentionDays; }
    bool screenshotProtection() const { return m_screenshotProtection; }
    bool allowRegistration() const { return m_allowRegistration; }
    void setMaxGroupMembers(const QString& text);
    void setMessageRetentionDays(const QString& text);
    void setScreenshotProtection(bool on);
    void setAllowRegistration(bool on);

    bool isLoading() const { return m_isLoading; }
    bool isSaving() const { return m_isSaving; }
    // The last load failed: the screen offers to read the settings again.
    bool loadFailed() const { return m_loadFailed; }
    bool canSave() const;
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorText() const { return m_errorMessage.value_or(QString()); }
    void clearError();

    // An optional sign and decimal digits, nothing else, within 64 bits.
    static std::optional<qint64> wholeNumber(const QString& text);
    // Empty leaves the setting as the server has it; anything else must be a
    // whole number within range.
    static Field field(const QString& text, Range range);

    // Neither throws. load() may be run again after a failure.
    QCoro::Task<> load();
    QCoro::Task<> save();

Q_SIGNALS:
    void formChanged();
    void stateChanged();
    void errorMessageChanged();
    // The server accepted a save.
    void saved();

private:
    void setError(const char* key, const std::exception& error);

    APIClient& m_api;
    QString m_maxGroupMembers;
    QString m_messageRetentionDays;
    bool m_screenshotProtection = false;
    bool m_allowRegistration = true;
    bool m_isLoading = true;
    bool m_isSaving = false;
    bool m_loaded = false;
    bool m_loadFailed = false;
    std::optional<QString> m_errorMessage;
};
