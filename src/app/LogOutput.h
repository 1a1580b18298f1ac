#pragma once

#include <QString>

#include <cstdio>

// The program's one message handler: every log line ("[WS] Connected", "[Auth] …")
// goes to standard output as a plain line, whatever its level, with anything that
// looks like a credential masked on the way out.
namespace LogOutput {

// Installs the handler, writing to out (standard output by default).
void install(std::FILE* out = stdout);
// The line as written: tokens and passwords in JSON texts and bearer headers become "***".
QString masked(const QString& line);

} // namespace LogOutput
