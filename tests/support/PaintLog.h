#pragma once

// What a widget or a delegate paints, as a list of primitives with the painter's state
// at the time: where each text, shape and picture lands, in which font and colours.
// Tests read it to check a row's stated geometry (a badge's padding, an avatar's size,
// a gap between two texts) without comparing pixels, which change with the machine's fonts.

#include <QColor>
#include <QFont>
#include <QList>
#include <QPaintDevice>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class PaintLogEngine;

struct PaintedItem {
    enum Kind { Text, Shape, Picture, Line };
    Kind kind = Shape;
    QRectF rect;      // device coordinates: the text's ink box, the shape's or picture's bounds
    QString text;     // Text only
    QFont font;       // Text only
    QColor pen;       // text colour, or a shape's outline (invalid: none)
    QColor brush;     // a shape's fill (invalid: none)
    QSizeF corner;    // a shape's corner radii, across and down (a circle: half its size)
    qreal opacity = 1.0;
    QRectF clip;      // the clip in force (empty: none)
    QPainter::RenderHints hints; // the render hints in force (a curve drawn without antialiasing is jagged)
};

// What was painted, in painting order.
struct Painting {
    QList<PaintedItem> items;

    QList<PaintedItem> texts() const;
    QList<PaintedItem> shapes() const;
    QList<PaintedItem> pictures() const;
    QList<PaintedItem> lines() const;
    // The first text drawn that equals `text`, or else the first that holds it.
    std::optional<PaintedItem> text(const QString& text) const;
    // The painted texts joined by spaces, in painting order (for failure messages).
    QString allText() const;
};

// A paint device that keeps what is drawn on it. `widget->render(&log)` or a delegate's
// paint() on a painter of it; or, shorter, PaintLog::record().
class PaintLog : public QPaintDevice {
public:
    explicit PaintLog(QSize size = QSize(800, 600));
    ~PaintLog() override;

    QPaintEngine* paintEngine() const override;
    const Painting& painting() const { return m_painting; }

    // Paints with a fresh painter on a new log of that size and returns what was drawn.
    static Painting record(QSize size, const std::function<void(QPainter*)>& paint);

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    friend class PaintLogEngine;
    QSize m_size;
    std::unique_ptr<PaintLogEngine> m_engine;
    Painting m_painting;
};
