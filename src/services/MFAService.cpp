#include "services/MFAService.h"

#include "models/Json.h"

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
