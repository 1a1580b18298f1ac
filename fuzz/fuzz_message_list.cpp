// A message list as the server sends it (a procedure reply's data), decoded strictly.

#include "FuzzSupport.h"

#include "models/Json.h"
#include "models/Message.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const QList<Message> messages = json::decode<QList<Message>>(fuzzsupport::bytes(data, size));
        Q_UNUSED(messages);
    } catch (const json::DecodeError&) {
    }
    return 0;
}
