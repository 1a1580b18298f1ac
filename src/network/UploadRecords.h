#pragma once

#include "models/Json.h"

#include <QString>

#include <optional>

// The records of the two procedure calls of a file upload.

// Input of "upload.getPresignedUrl".
struct PresignedInput {
    QString fileName;
    QString fileType;
    qint64 fileSize = 0;

    static PresignedInput read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

// Result of "upload.getPresignedUrl"; uploadUrl is read but not used.
struct PresignedResponse {
    QString fileKey;
    std::optional<QString> uploadUrl;

    static PresignedResponse read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

// Input of "upload.complete": the whole file in standard Base64.
struct CompleteInput {
    QString fileKey;
    QString fileBuffer;
    QString contentType;

    static CompleteInput read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

// Result of "upload.complete". An empty "url" names no file and fails the read.
struct CompleteResponse {
    QString url;

    static CompleteResponse read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};
