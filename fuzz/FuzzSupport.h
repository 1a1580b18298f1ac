#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace fuzzsupport {

// A core application and a message handler that drops log lines: the code under
// test logs every frame it sends, which would drown the fuzzer's own output.
void initialize();

QByteArray bytes(const uint8_t* data, size_t size);
// The input as text the way the program reads text from the network; bytes that
// are not UTF-8 become U+FFFD as they would there.
QString text(const uint8_t* data, size_t size);

// Stops the run with a message: the fuzzer records the input as a finding.
[[noreturn]] void fail(const char* what, const QByteArray& detail);

} // namespace fuzzsupport
