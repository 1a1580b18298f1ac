#pragma once

// Puts the C library's number formatting under German rules (a decimal comma),
// as a user's system locale does for the application once Qt has called
// setlocale(LC_ALL, ""). Machines without that locale get one compiled into dir.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>
#include <cstring>

// False when no comma locale could be made; the caller skips.
inline bool useCommaLocale(const QTemporaryDir& dir)
{
    const char* name = "de_DE.UTF-8";
    if (!std::setlocale(LC_NUMERIC, name)) {
        QProcess::execute(QStringLiteral("localedef"),
                          { QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"), QStringLiteral("UTF-8"),
                            dir.path() + QStringLiteral("/de_DE.UTF-8") });
        qputenv("LOCPATH", dir.path().toLocal8Bit());
        if (!std::setlocale(LC_NUMERIC, name))
            return false;
    }
    // Proof that the locale writes a comma, so a passing test means something.
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 4.5);
    return std::strcmp(probe, "4,5") == 0;
}
