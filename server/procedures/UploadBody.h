#pragma once

// The body of "upload.complete" is the file itself in Base64 inside {"json":{...}}:
// up to 67 MB. It is taken a piece at a time as it arrives (on a worker thread): the
// file's text is found in the raw bytes and decoded straight into a spool file beside
// the stored ones, so that neither the text nor the file is ever held; everything else
// in the body goes through the strict reader once it has ended. The spool file goes
// with this object unless it was stored first: a refused or broken upload leaves none.

#include "http/BodyStream.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

#include <memory>

class UploadBody final : public BodySink {
public:
    // The body without the file's text: a few hundred bytes in any sound request.
    static constexpr qsizetype kMaxRest = 64 << 10;

    explicit UploadBody(QString spoolDirectory);

    // Throw ServerError 400 for a body that is not {"json":{"fileKey", "fileBuffer",
    // "contentType"}} or whose file is not Base64, 413 for a file over the limit.
    void take(QByteArrayView piece) override;
    void end() override;

    // After end():
    const QString& fileKey() const { return m_fileKey; }
    const QString& contentType() const { return m_contentType; }
    qint64 size() const { return m_size; }
    QTemporaryFile& file() { return *m_file; }

private:
    enum class Part { BeforeText, Text, AfterText };

    // Where the file's text starts in m_rest; -1 while it has not (wholly) come.
    qsizetype textStart();
    void takeText(QByteArrayView text);
    void decode(QByteArrayView groups);
    void openFile();

    QString m_directory;
    std::unique_ptr<QTemporaryFile> m_file;
    Part m_part = Part::BeforeText;
    QByteArray m_rest;
    qsizetype m_searchFrom = 0;
    // Text short of a whole group of four, waiting for the next piece.
    QByteArray m_carry;
    bool m_padded = false;
    qint64 m_textLength = 0;
    qint64 m_size = 0;
    QString m_fileKey;
    QString m_contentType;
};
