#include "views/common/Icons.h"

#include <QAbstractButton>
#include <QHash>
#include <QLabel>
#include <QPainter>

namespace Icons {

namespace {

const QHash<QString, QString>& table()
{
    static const QHash<QString, QString> names {
        { QStringLiteral("magnifyingglass"), QStringLiteral("edit-find") },
        { QStringLiteral("square.and.pencil"), QStringLiteral("document-edit") },
        { QStringLiteral("xmark.circle.fill"), QStringLiteral("edit-clear") },
        { QStringLiteral("xmark"), QStringLiteral("window-close") },
        { QStringLiteral("bell.slash.fill"), QStringLiteral("notifications-disabled") },
        { QStringLiteral("message.fill"), QStringLiteral("dialog-messages") },
        { QStringLiteral("person.2.fill"), QStringLiteral("system-users") },
        { QStringLiteral("camera.fill"), QStringLiteral("camera-photo") },
        { QStringLiteral("star.fill"), QStringLiteral("favorite") },
        { QStringLiteral("folder.fill"), QStringLiteral("folder") },
        { QStringLiteral("gearshape.fill"), QStringLiteral("configure") },
        { QStringLiteral("bubble.left.and.bubble.right.fill"), QStringLiteral("view-conversation-balloon") },
        { QStringLiteral("photo"), QStringLiteral("image-x-generic") },
        { QStringLiteral("doc.fill"), QStringLiteral("text-x-generic") },
        { QStringLiteral("waveform"), QStringLiteral("audio-volume-high") },
        { QStringLiteral("play.circle.fill"), QStringLiteral("media-playback-start") },
        { QStringLiteral("face.smiling"), QStringLiteral("face-smile") },
        { QStringLiteral("mappin.circle.fill"), QStringLiteral("find-location") },
        { QStringLiteral("person.crop.rectangle"), QStringLiteral("x-office-contact") },
        { QStringLiteral("clock"), QStringLiteral("clock") },
        { QStringLiteral("checkmark"), QStringLiteral("checkmark") },
        { QStringLiteral("checkmark.circle.fill"), QStringLiteral("emblem-checked") },
        { QStringLiteral("plus.circle"), QStringLiteral("list-add") },
        { QStringLiteral("paperplane.fill"), QStringLiteral("document-send") },
    };
    return names;
}

} // namespace

void install()
{
    QStringList paths = QIcon::themeSearchPaths();
    const QString system = QStringLiteral("/usr/share/icons");
    if (!paths.contains(system))
        paths.append(system);
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(QStringLiteral("breeze"));
}

QString themeName(const QString& symbol)
{
    return table().value(symbol);
}

QIcon icon(const QString& symbol)
{
    const QString name = themeName(symbol);
    return name.isEmpty() ? QIcon() : QIcon::fromTheme(name);
}

QPixmap pixmap(const QString& symbol, int size, const QColor& tint, qreal devicePixelRatio)
{
    QPixmap result = icon(symbol).pixmap(QSize(size, size), devicePixelRatio);
    if (!tint.isValid() || result.isNull())
        return result;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), tint);
    return result;
}

void apply(QAbstractButton* button, const QString& symbol, int size, const QColor& tint)
{
    button->setIcon(tint.isValid() ? QIcon(pixmap(symbol, size, tint, button->devicePixelRatioF())) : icon(symbol));
    button->setIconSize(QSize(size, size));
    button->setProperty(SymbolProperty, symbol);
}

void apply(QLabel* label, const QString& symbol, int size, const QColor& tint)
{
    label->setPixmap(pixmap(symbol, size, tint, label->devicePixelRatioF()));
    label->setProperty(SymbolProperty, symbol);
}

} // namespace Icons
