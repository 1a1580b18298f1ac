#include "services/MFAService.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "services/Procedure.h"

using namespace Qt::Literals::StringLiterals;

MFAService::MFAStatus MFAService::MFAStatus::read(const json::Reader& r)
{
    return MFAStatus { r.required<bool>("enabled"_L1), r.optional<bool>("hasBackupCodes"_L1) };
}

void MFAService::MFAStatus::write(json::Writer& w) const
{
    w.required("enabled"_L1, enabled);
    w.optional("hasBackupCodes"_L1, hasBackupCodes);
}

MFAService::MFASetup MFAService::MFASetup::read(const json::Reader& r)
{
    return MFASetup {
        r.optional<QString>("secret"_L1),
        r.optional<QString>("qrCodeUrl"_L1),
        r.optional<QList<QString>>("backupCodes"_L1),
    };
}

void MFAService::MFASetup::write(json::Writer& w) const
{
    w.optional("secret"_L1, secret);
    w.optional("qrCodeUrl"_L1, qrCodeUrl);
    w.optional("backupCodes"_L1, backupCodes);
}

MFAService& MFAService::shared()
{
    static MFAService instance(APIClient::shared());
    return instance;
}

QCoro::Task<MFAService::MFAStatus> MFAService::getStatus()
{
    return procedure::query<MFAStatus>(api, u"user.mfaStatus"_s);
}

QCoro::Task<MFAService::MFASetup> MFAService::setup() { return procedure::mutation<MFASetup>(api, u"user.setupMFA"_s); }

QCoro::Task<> MFAService::verify(QString code)
{
    struct Input {
        QString code;
        void write(json::Writer& w) const { w.required("code"_L1, code); }
    };
    return procedure::mutation<void>(api, u"user.verifyMFA"_s, Input { std::move(code) });
}

QCoro::Task<> MFAService::disable(QString code)
{
    struct Input {
        QString code;
        void write(json::Writer& w) const { w.required("code"_L1, code); }
    };
    return procedure::mutation<void>(api, u"user.disableMFA"_s, Input { std::move(code) });
}
