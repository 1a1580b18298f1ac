#include "PaintLog.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTextItem>

class PaintLogEngine : public QPaintEngine {
public:
    explicit PaintLogEngine(PaintLog* log)
        : QPaintEngine(QPaintEngine::AllFeatures)
        , m_log(log)
    {
    }

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override
    {
        const QPaintEngine::DirtyFlags flags = state.state();
        if (flags & DirtyPen)
            m_pen = state.pen();
        if (flags & DirtyBrush)
            m_brush = state.brush();
        if (flags & DirtyFont)
            m_font = state.font();
        if (flags & DirtyOpacity)
            m_opacity = state.opacity();
        if (flags & DirtyTransform)
            m_transform = state.transform();
        if (flags & DirtyHints)
            m_hints = state.renderHints();
        if (flags & (DirtyClipPath | DirtyClipRegion | DirtyClipEnabled)) {
            if (!state.isClipEnabled() || state.clipOperation() == Qt::NoClip)
                m_clip = {};
            else if (flags & DirtyClipRegion)
                m_clip = m_transform.mapRect(QRectF(state.clipRegion().boundingRect()));
            else if (flags & DirtyClipPath)
                m_clip = m_transform.map(state.clipPath()).boundingRect();
        }
    }

    void drawPath(const QPainterPath& path) override
    {
        const QPainterPath mapped = m_transform.map(path);
        const QRectF bounds = mapped.boundingRect();
        addShape(bounds);
        // Where the straight parts of the top and the left edge begin (curves by their end
        // points, not their control points): the corner itself for a plain rectangle.
        QPointF start = bounds.bottomRight();
        for (int i = 0; i < mapped.elementCount(); ++i) {
            QPainterPath::Element point = mapped.elementAt(i);
            if (point.type == QPainterPath::CurveToElement && i + 2 < mapped.elementCount()) {
                point = mapped.elementAt(i + 2);
                i += 2;
            }
            if (qAbs(point.y - bounds.top()) < 0.01)
                start.setX(qMin(start.x(), point.x));
            if (qAbs(point.x - bounds.left()) < 0.01)
                start.setY(qMin(start.y(), point.y));
        }
        m_log->m_painting.items.last().corner = QSizeF(start.x() - bounds.left(), start.y() - bounds.top());
    }
    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            addShape(m_transform.mapRect(rects[i]));
    }
    void drawRects(const QRect* rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            addShape(m_transform.mapRect(QRectF(rects[i])));
    }
    void drawEllipse(const QRectF& rect) override
    {
        addShape(m_transform.mapRect(rect));
        m_log->m_painting.items.last().corner = m_log->m_painting.items.last().rect.size() / 2;
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override
    {
        addShape(m_transform.map(QPolygonF(QList<QPointF>(points, points + count))).boundingRect());
    }
    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            PaintedItem item = base(PaintedItem::Line);
            const QLineF line = m_transform.map(lines[i]);
            item.rect = QRectF(line.p1(), line.p2()).normalized();
            item.brush = {};
            m_log->m_painting.items.append(item);
        }
    }
    void drawPixmap(const QRectF& target, const QPixmap&, const QRectF&) override { addPicture(target); }
    void drawImage(const QRectF& target, const QImage&, const QRectF&, Qt::ImageConversionFlags) override { addPicture(target); }
    void drawTiledPixmap(const QRectF& target, const QPixmap&, const QPointF&) override { addPicture(target); }

    void drawTextItem(const QPointF& origin, const QTextItem& textItem) override
    {
        PaintedItem item = base(PaintedItem::Text);
        item.text = textItem.text();
        item.font = textItem.font();
        item.brush = {};
        const QRectF box(origin.x(), origin.y() - textItem.ascent(), textItem.width(), textItem.ascent() + textItem.descent());
        item.rect = m_transform.mapRect(box);
        m_log->m_painting.items.append(item);
    }

private:
    PaintedItem base(PaintedItem::Kind kind) const
    {
        PaintedItem item;
        item.kind = kind;
        item.pen = m_pen.style() == Qt::NoPen ? QColor() : m_pen.color();
        item.brush = m_brush.style() == Qt::NoBrush ? QColor() : m_brush.color();
        item.font = m_font;
        item.opacity = m_opacity;
        item.clip = m_clip;
        item.hints = m_hints;
        return item;
    }
    void addShape(const QRectF& rect)
    {
        PaintedItem item = base(PaintedItem::Shape);
        item.rect = rect;
        m_log->m_painting.items.append(item);
    }
    void addPicture(const QRectF& target)
    {
        PaintedItem item = base(PaintedItem::Picture);
        item.rect = m_transform.mapRect(target);
        item.pen = {};
        item.brush = {};
        m_log->m_painting.items.append(item);
    }

    PaintLog* m_log;
    QPen m_pen;
    QBrush m_brush;
    QFont m_font;
    qreal m_opacity = 1.0;
    QTransform m_transform;
    QRectF m_clip;
    QPainter::RenderHints m_hints;
};

PaintLog::PaintLog(QSize size)
    : m_size(size)
    , m_engine(std::make_unique<PaintLogEngine>(this))
{
}

PaintLog::~PaintLog() = default;

QPaintEngine* PaintLog::paintEngine() const { return m_engine.get(); }

int PaintLog::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_size.width();
    case PdmHeight:
        return m_size.height();
    case PdmWidthMM:
        return qRound(m_size.width() * 25.4 / 96);
    case PdmHeightMM:
        return qRound(m_size.height() * 25.4 / 96);
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    }
    return 0;
}

Painting PaintLog::record(QSize size, const std::function<void(QPainter*)>& paint)
{
    PaintLog log(size);
    {
        QPainter painter(&log);
        paint(&painter);
    }
    return log.m_painting;
}

static QList<PaintedItem> ofKind(const QList<PaintedItem>& items, PaintedItem::Kind kind)
{
    QList<PaintedItem> result;
    for (const PaintedItem& item : items) {
        if (item.kind == kind)
            result.append(item);
    }
    return result;
}

QList<PaintedItem> Painting::texts() const { return ofKind(items, PaintedItem::Text); }
QList<PaintedItem> Painting::shapes() const { return ofKind(items, PaintedItem::Shape); }
QList<PaintedItem> Painting::pictures() const { return ofKind(items, PaintedItem::Picture); }
QList<PaintedItem> Painting::lines() const { return ofKind(items, PaintedItem::Line); }

std::optional<PaintedItem> Painting::text(const QString& wanted) const
{
    const QList<PaintedItem> all = texts();
    for (const PaintedItem& item : all) {
        if (item.text == wanted)
            return item;
    }
    for (const PaintedItem& item : all) {
        if (item.text.contains(wanted))
            return item;
    }
    return std::nullopt;
}

QString Painting::allText() const
{
    QStringList parts;
    for (const PaintedItem& item : texts())
        parts.append(item.text);
    return parts.join(QLatin1Char(' '));
}
