#include "Snapshot.h"

#include "state/common/LocalizationManager.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QHashFunctions>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

namespace {

bool updating() { return qEnvironmentVariableIntValue("MORVANE_UPDATE_SNAPSHOTS") == 1; }

QString machine()
{
    const QFontInfo font(QApplication::font());
    return QStringLiteral("Qt %1, %2 %3pt, %4 dpi")
        .arg(QString::fromLatin1(qVersion()), font.family())
        .arg(font.pointSizeF())
        .arg(QGuiApplication::primaryScreen()->logicalDotsPerInch());
}

QString machineFile(const QString& folder) { return folder + QStringLiteral("/drawn-on.txt"); }

// One picture per language the tests run in: the two passes of scripts/test draw in
// Chinese and in English.
QString pictureFile(const QString& name)
{
    return name + u'.' + appLanguage::rawValue(LocalizationManager::shared().currentLanguage()) + QStringLiteral(".png");
}

} // namespace

namespace Snapshot {

void holdStill()
{
    QApplication::setCursorFlashTime(0);
    // Containers made before keep their own seed; names hashed from here on (an
    // avatar's colour) hash alike in every run.
    QHashSeed::setDeterministicGlobalSeed();
}

QString cannotCompare(const QString& folder, const QString& name)
{
    if (updating()) {
        QDir().mkpath(folder);
        QFile file(machineFile(folder));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(machine().toUtf8() + '\n');
        return {};
    }
    QFile file(machineFile(folder));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("no pictures yet in %1 (run with MORVANE_UPDATE_SNAPSHOTS=1)").arg(folder);
    const QString drawnOn = QString::fromUtf8(file.readAll()).trimmed();
    if (drawnOn != machine())
        return QStringLiteral("pictures drawn on \"%1\", this machine is \"%2\"").arg(drawnOn, machine());
    if (!QFile::exists(folder + u'/' + pictureFile(name)))
        return QStringLiteral("no picture %1 in %2").arg(pictureFile(name), folder);
    return {};
}

QString mismatch(QWidget* widget, const QString& folder, const QString& name)
{
    const QImage drawn = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QString file = pictureFile(name);
    const QString path = folder + u'/' + file;
    if (updating())
        return drawn.save(path) ? QString() : QStringLiteral("could not write %1").arg(path);

    const QImage expected = QImage(path).convertToFormat(QImage::Format_ARGB32);
    QString why;
    if (expected.isNull()) {
        why = QStringLiteral("unreadable picture %1").arg(path);
    } else if (expected.size() != drawn.size()) {
        why = QStringLiteral("drawn %1×%2, the picture is %3×%4")
                  .arg(drawn.width()).arg(drawn.height()).arg(expected.width()).arg(expected.height());
    } else {
        int differing = 0;
        QRect where;
        for (int y = 0; y < drawn.height(); ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
            const auto* b = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
            for (int x = 0; x < drawn.width(); ++x) {
                if (a[x] != b[x]) {
                    ++differing;
                    where |= QRect(x, y, 1, 1);
                }
            }
        }
        if (differing == 0)
            return {};
        why = QStringLiteral("%1 pixels differ from %2, within x %3–%4, y %5–%6")
                  .arg(differing).arg(path)
                  .arg(where.left()).arg(where.right()).arg(where.top()).arg(where.bottom());
    }
    const QString saved = QDir::tempPath() + QStringLiteral("/morvane-snapshots");
    QDir().mkpath(saved);
    const QString drawnPath = saved + u'/' + file;
    drawn.save(drawnPath);
    return why + QStringLiteral("; drawn: %1").arg(drawnPath);
}

} // namespace Snapshot
