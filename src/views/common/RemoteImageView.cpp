#include "views/common/RemoteImageView.h"

#include "views/common/Appearance.h"
#include "views/common/ImageLoader.h"

#include <QPainter>
#include <QPainterPath>

RemoteImageView::RemoteImageView(const QUrl& url, QSize size, Fit fit, qreal cornerRadius, QWidget* parent)
    : QWidget(parent)
    , m_url(url)
    , m_fit(fit)
    , m_radius(cornerRadius)
{
    setFixedSize(size);
    if (!m_url.isValid())
        return;
    connect(&ImageLoader::shared(), &ImageLoader::finished, this, [this](const QUrl& done) {
        if (done == m_url)
            update();
    });
}

QSize RemoteImageView::sizeHint() const
{
    // Grids size their rows from this: the cell is as big as it is fixed to be.
    return minimumSize();
}

void RemoteImageView::setPlaceholder(const QPixmap& symbol)
{
    m_placeholder = symbol;
    update();
}

QString RemoteImageView::phase() const
{
    return m_url.isValid() && ImageLoader::shared().state(m_url) == ImageLoader::State::Loaded ? QStringLiteral("picture")
                                                                                                 : QStringLiteral("placeholder");
}

void RemoteImageView::paintEvent(QPaintEvent*)
{
    // Asked for when first drawn, that is when it scrolls into view: a long feed
    // fetches the pictures a person looks at, not all of them at once. One that
    // arrives after its cell scrolled away is kept in the cache and drawn later.
    if (m_url.isValid() && !m_requested) {
        m_requested = true;
        ImageLoader::shared().request(m_url);
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds = rect();
    const QImage image = m_url.isValid() ? ImageLoader::shared().image(m_url) : QImage();
    if (image.isNull()) {
        if (!m_placeholder.isNull()) {
            const QSizeF size = m_placeholder.deviceIndependentSize();
            painter.drawPixmap(QPointF(bounds.center().x() - size.width() / 2, bounds.center().y() - size.height() / 2), m_placeholder);
            return;
        }
        QColor grey = Appearance::secondaryText();
        grey.setAlphaF(0.1f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(grey);
        painter.drawRoundedRect(bounds, m_radius, m_radius);
        return;
    }
    QPainterPath clip;
    clip.addRoundedRect(bounds, m_radius, m_radius);
    painter.setClipPath(clip);
    const QSizeF scaled = QSizeF(image.size()).scaled(bounds.size(), m_fit == Fit::Fill ? Qt::KeepAspectRatioByExpanding : Qt::KeepAspectRatio);
    const QRectF target(bounds.center().x() - scaled.width() / 2, bounds.center().y() - scaled.height() / 2, scaled.width(), scaled.height());
    painter.drawImage(target, image);
}
