#include "views/common/Icons.h"

#include <QAbstractButton>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>

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
        { QStringLiteral("mappin.circle.fill"), QStringLiteral("mark-location") },
        { QStringLiteral("person.crop.rectangle"), QStringLiteral("x-office-contact") },
        { QStringLiteral("clock"), QStringLiteral("clock") },
        // Sign-in sessions, the profile header and the settings links.
        { QStringLiteral("desktopcomputer"), QStringLiteral("computer") },
        { QStringLiteral("laptopcomputer"), QStringLiteral("computer-laptop") },
        { QStringLiteral("iphone"), QStringLiteral("smartphone") },
        { QStringLiteral("phone"), QStringLiteral("phone") },
        { QStringLiteral("globe"), QStringLiteral("globe") },
        { QStringLiteral("envelope"), QStringLiteral("mail-message") },
        { QStringLiteral("person"), QStringLiteral("im-user") },
        { QStringLiteral("lock.shield"), QStringLiteral("security-high") },
        { QStringLiteral("chevron.left"), QStringLiteral("go-previous") },
        { QStringLiteral("checkmark"), QStringLiteral("dialog-ok") },
        // Breeze draws its filled, round check badge under the version-control name.
        { QStringLiteral("checkmark.circle.fill"), QStringLiteral("vcs-normal") },
        { QStringLiteral("plus.circle"), QStringLiteral("list-add") },
        // The administration and operator consoles.
        { QStringLiteral("gauge.with.dots.needle.33percent"), QStringLiteral("speedometer") },
        { QStringLiteral("person.3"), QStringLiteral("user-group-properties") },
        { QStringLiteral("person.2"), QStringLiteral("group") },
        { QStringLiteral("message"), QStringLiteral("dialog-messages") },
        { QStringLiteral("text.badge.xmark"), QStringLiteral("format-text-strikethrough") },
        { QStringLiteral("list.clipboard"), QStringLiteral("view-list-details") },
        { QStringLiteral("chart.bar"), QStringLiteral("office-chart-bar") },
        { QStringLiteral("gearshape"), QStringLiteral("configure") },
        { QStringLiteral("arrow.clockwise"), QStringLiteral("view-refresh") },
        { QStringLiteral("plus"), QStringLiteral("list-add") },
        { QStringLiteral("person.slash"), QStringLiteral("im-user-offline") },
        { QStringLiteral("person.2.slash"), QStringLiteral("im-user-offline") },
        { QStringLiteral("message.badge.circle"), QStringLiteral("mail-message") },
        { QStringLiteral("circle.fill"), QStringLiteral("media-record") },
        { QStringLiteral("headphones"), QStringLiteral("audio-headphones") },
        { QStringLiteral("person.wave.2"), QStringLiteral("im-user") },
        { QStringLiteral("checkmark.circle"), QStringLiteral("vcs-normal") },
        { QStringLiteral("paperplane.fill"), QStringLiteral("document-send") },
        { QStringLiteral("person.badge.plus"), QStringLiteral("list-add-user") },
        { QStringLiteral("chevron.right"), QStringLiteral("go-next") },
        { QStringLiteral("person.2.slash"), QStringLiteral("im-user-offline") },
        { QStringLiteral("person.slash"), QStringLiteral("im-user-offline") },
        { QStringLiteral("envelope"), QStringLiteral("mail-message") },
        { QStringLiteral("ellipsis.circle"), QStringLiteral("overflow-menu") },
        // Moments, gifts and VIP.
        { QStringLiteral("heart"), QStringLiteral("love") },
        { QStringLiteral("bubble.right"), QStringLiteral("edit-comment") },
        { QStringLiteral("mappin"), QStringLiteral("mark-location") },
        { QStringLiteral("camera"), QStringLiteral("camera-photo") },
        { QStringLiteral("crown"), QStringLiteral("games-achievements") },
        { QStringLiteral("crown.fill"), QStringLiteral("games-achievements") },
        // Favourites, files and devices.
        { QStringLiteral("star"), QStringLiteral("rating-unrated") },
        { QStringLiteral("star.slash"), QStringLiteral("edit-delete-remove") },
        { QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy") },
        { QStringLiteral("doc"), QStringLiteral("text-x-generic") },
        { QStringLiteral("doc.richtext"), QStringLiteral("application-pdf") },
        { QStringLiteral("doc.zipper"), QStringLiteral("application-x-archive") },
        { QStringLiteral("video"), QStringLiteral("video-x-generic") },
        { QStringLiteral("music.note"), QStringLiteral("audio-x-generic") },
        { QStringLiteral("folder"), QStringLiteral("folder") },
        { QStringLiteral("eye"), QStringLiteral("view-visible") },
        { QStringLiteral("arrow.down.circle"), QStringLiteral("download") },
        { QStringLiteral("exclamationmark.triangle"), QStringLiteral("messagebox_warning") },
        { QStringLiteral("arrow.clockwise"), QStringLiteral("view-refresh") },
        { QStringLiteral("desktopcomputer"), QStringLiteral("computer") },
        { QStringLiteral("laptopcomputer"), QStringLiteral("computer-laptop") },
        { QStringLiteral("iphone"), QStringLiteral("smartphone") },
        { QStringLiteral("phone"), QStringLiteral("phone") },
        { QStringLiteral("globe"), QStringLiteral("globe") },
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

namespace {

// The theme has no gift (its "package" is a stack of three boxes, which reads as
// three squares at this size): a box with a lid, a white ribbon and a bow.
void drawGift(QPainter& painter, qreal s, const QColor& tint)
{
    const QColor colour = tint.isValid() ? tint : QColor(0xff, 0x2d, 0x55);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    // Bow: two loops above the lid.
    painter.drawEllipse(QRectF(s * 0.22, s * 0.06, s * 0.3, s * 0.24));
    painter.drawEllipse(QRectF(s * 0.48, s * 0.06, s * 0.3, s * 0.24));
    painter.drawRoundedRect(QRectF(s * 0.08, s * 0.28, s * 0.84, s * 0.2), s * 0.04, s * 0.04);
    painter.drawRoundedRect(QRectF(s * 0.14, s * 0.5, s * 0.72, s * 0.44), s * 0.04, s * 0.04);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(s * 0.44, s * 0.28, s * 0.12, s * 0.66));
    painter.setBrush(colour.darker(115));
    painter.drawEllipse(QRectF(s * 0.42, s * 0.14, s * 0.16, s * 0.14));
}

// One speech bubble with its tail at the bottom corner on the tail's side.
QPainterPath speechBubble(const QRectF& body, bool tailLeft)
{
    QPainterPath bubble;
    bubble.addRoundedRect(body, body.height() * 0.45, body.height() * 0.45);
    const qreal h = body.height();
    QPolygonF tail;
    if (tailLeft) {
        tail << QPointF(body.left() + h * 0.25, body.bottom() - h * 0.3) << QPointF(body.left() - h * 0.02, body.bottom() + h * 0.28)
             << QPointF(body.left() + h * 0.6, body.bottom() - h * 0.05);
    } else {
        tail << QPointF(body.right() - h * 0.25, body.bottom() - h * 0.3) << QPointF(body.right() + h * 0.02, body.bottom() + h * 0.28)
             << QPointF(body.right() - h * 0.6, body.bottom() - h * 0.05);
    }
    QPainterPath tailPath;
    tailPath.addPolygon(tail);
    tailPath.closeSubpath();
    return bubble.united(tailPath);
}

// The sign-in screen's mark, drawn here so that the first window does not wait for
// the icon theme and its SVG engine: two filled speech bubbles, the left one in front
// with a gap cut around it.
void drawConversation(QPainter& painter, qreal s, const QColor& tint)
{
    const QPainterPath front = speechBubble(QRectF(s * 0.06, s * 0.16, s * 0.6, s * 0.44), true);
    // The gap is cut out of the back bubble's outline rather than cleared with a
    // stroke: clearing pixels takes the raster engine's generic path, which hands
    // its spans to a pool of threads that the first window would wait to start.
    QPainterPathStroker gap;
    gap.setWidth(s * 0.07);
    const QPainterPath back = speechBubble(QRectF(s * 0.36, s * 0.34, s * 0.58, s * 0.42), false)
                                  .subtracted(gap.createStroke(front).united(front));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint.isValid() ? tint : QColor(Qt::black));
    painter.drawPath(back);
    painter.drawPath(front);
}

using Drawing = void (*)(QPainter&, qreal, const QColor&);

Drawing drawingOf(const QString& symbol)
{
    if (symbol == u"gift.fill")
        return drawGift;
    if (symbol == u"bubble.left.and.bubble.right.fill")
        return drawConversation;
    return nullptr;
}

QPixmap drawn(Drawing draw, int size, const QColor& tint, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, size, tint);
    return pixmap;
}

} // namespace

QPixmap pixmap(const QString& symbol, int size, const QColor& tint, qreal devicePixelRatio)
{
    if (const Drawing draw = drawingOf(symbol))
        return drawn(draw, size, tint, devicePixelRatio);
    const QString key = QStringLiteral("icon:%1:%2:%3:%4").arg(symbol).arg(size).arg(tint.isValid() ? tint.rgba() : 0u).arg(devicePixelRatio);
    QPixmap result;
    if (QPixmapCache::find(key, &result))
        return result;
    result = icon(symbol).pixmap(QSize(size, size), devicePixelRatio);
    if (tint.isValid() && !result.isNull()) {
        // Recolour the drawing but keep its white details (the tick inside a filled
        // badge, the lines on a page), so two-tone icons stay readable when tinted.
        QImage image = result.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = line[x];
                const int alpha = qAlpha(pixel);
                if (alpha == 0)
                    continue;
                const bool white = qRed(pixel) > 215 && qGreen(pixel) > 215 && qBlue(pixel) > 215;
                const QColor colour = white ? QColor(Qt::white) : tint;
                line[x] = qRgba(colour.red(), colour.green(), colour.blue(), alpha);
            }
        }
        result = QPixmap::fromImage(image);
        result.setDevicePixelRatio(devicePixelRatio);
    }
    QPixmapCache::insert(key, result);
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
