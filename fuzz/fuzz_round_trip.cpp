// Decode, encode, decode again: whatever one decoding accepts, its encoding must
// decode to the same record (the same JSON when encoded once more). The first
// byte chooses the record: message lists, frames, conversations or any-values.

#include "FuzzSupport.h"

#include "models/AnyCodableValue.h"
#include "models/Conversation.h"
#include "models/Json.h"
#include "models/Message.h"
#include "models/WSMessage.h"

namespace {

template <typename T>
void roundTrip(const QByteArray& input)
{
    QByteArray first;
    try {
        first = json::serialize(json::encode(json::decode<T>(input)));
    } catch (const json::DecodeError&) {
        return;
    }
    QByteArray second;
    try {
        second = json::serialize(json::encode(json::decode<T>(first)));
    } catch (const json::DecodeError& error) {
        fuzzsupport::fail("an encoding does not decode again", first + " -> " + QByteArray(error.what()));
    }
    if (second != first)
        fuzzsupport::fail("a round trip changed the record", first + " -> " + second);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsupport::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input = fuzzsupport::bytes(data + 1, size - 1);
    switch (data[0] % 4) {
    case 0:
        roundTrip<QList<Message>>(input);
        break;
    case 1:
        roundTrip<WSMessage>(input);
        break;
    case 2:
        roundTrip<Conversation>(input);
        break;
    default:
        roundTrip<AnyCodableValue>(input);
        break;
    }
    return 0;
}
