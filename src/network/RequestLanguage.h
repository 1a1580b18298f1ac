#pragma once

#include <QByteArray>

// The interface language the server is asked to answer in: the "Accept-Language"
// header of every request and of the live channel's upgrade. The language manager
// keeps it current; empty (the start of a process without one) sends no header.
namespace RequestLanguage {

inline constexpr const char* headerName = "Accept-Language";

void set(QByteArray tag);
QByteArray tag();

} // namespace RequestLanguage
