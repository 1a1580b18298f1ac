#include "network/RequestLanguage.h"

namespace {

// Read and written on the main thread only, like every other piece of the client's state.
QByteArray& current()
{
    static QByteArray tag;
    return tag;
}

} // namespace

void RequestLanguage::set(QByteArray tag)
{
    current() = std::move(tag);
}

QByteArray RequestLanguage::tag()
{
    return current();
}
