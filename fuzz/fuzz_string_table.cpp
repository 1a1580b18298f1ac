// A "Localizable.strings" table: its text is refused as a whole or read into keys.

#include "FuzzSupport.h"

#include "state/common/StringTable.h"

#include <QStringDecoder>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Decoded as the loader decodes a file, keeping a byte-order mark in the text.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(fuzzsupport::bytes(data, size));
    if (utf8.hasError())
        return 0;
    QString error;
    if (const std::optional<StringTable> table = StringTable::parse(text, &error)) {
        for (const QString& key : table->keys()) {
            if (!table->value(key))
                fuzzsupport::fail("a listed key has no value", key.toUtf8());
        }
    } else if (error.isEmpty()) {
        fuzzsupport::fail("a refused table without a reason", {});
    }
    return 0;
}
