#pragma once

#include <QString>
#include <QStringList>

// Fills a string-table format: each "%@", "%lld" or "%d" takes the next argument
// (integers already written in decimal), "%%" is a percent sign. Missing arguments
// leave an empty text; anything else after "%" is kept as it stands.
QString printfFormat(const QString& format, const QStringList& arguments);
