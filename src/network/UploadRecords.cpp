#include "network/UploadRecords.h"

using namespace Qt::StringLiterals;

PresignedInput PresignedInput::read(const json::Reader& r)
{
    return { r.required<QString>("fileName"_L1), r.required<QString>("fileType"_L1), r.required<qint64>("fileSize"_L1) };
}

void PresignedInput::write(json::Writer& w) const
{
    w.required("fileName"_L1, fileName);
    w.required("fileType"_L1, fileType);
    w.required("fileSize"_L1, fileSize);
}

PresignedResponse PresignedResponse::read(const json::Reader& r)
{
    return { r.required<QString>("fileKey"_L1), r.optional<QString>("uploadUrl"_L1) };
}

void PresignedResponse::write(json::Writer& w) const
{
    w.required("fileKey"_L1, fileKey);
    w.optional("uploadUrl"_L1, uploadUrl);
}

CompleteInput CompleteInput::read(const json::Reader& r)
{
    return { r.required<QString>("fileKey"_L1), r.required<QString>("fileBuffer"_L1), r.required<QString>("contentType"_L1) };
}

void CompleteInput::write(json::Writer& w) const
{
    w.required("fileKey"_L1, fileKey);
    w.required("fileBuffer"_L1, fileBuffer);
    w.required("contentType"_L1, contentType);
}

CompleteResponse CompleteResponse::read(const json::Reader& r)
{
    CompleteResponse response { r.required<QString>("url"_L1) };
    if (response.url.isEmpty())
        r.path().child("url"_L1).fail(json::DecodeError::Kind::DataCorrupted, QStringLiteral("the file address is empty"));
    return response;
}

void CompleteResponse::write(json::Writer& w) const
{
    w.required("url"_L1, url);
}
