#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>

class APIClient;
namespace json {
class Reader;
class Writer;
}

// Two-factor authentication of the account.
class MFAService final {
public:
    struct MFAStatus {
        bool enabled = false;
        std::optional<bool> hasBackupCodes;

        static MFAStatus read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    struct MFASetup {
        std::optional<QString> secret;
        std::optional<QString> qrCodeUrl;
        std::optional<QList<QString>> backupCodes;

        static MFASetup read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    static MFAService& shared();
    explicit MFAService(APIClient& api)
        : api(api)
    {
    }

    QCoro::Task<MFAStatus> getStatus();
    QCoro::Task<MFASetup> setup();
    // The code is sent exactly as typed; the server judges it.
    QCoro::Task<> verify(QString code);
    QCoro::Task<> disable(QString code);

    APIClient& api;
};
