#include "views/chat/AvatarView.h"

#include "views/common/ImageLoader.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>
#include <QVariantAnimation>

#include <array>

AvatarView::AvatarView(const QString& name, const std::optional<QString>& avatar, qreal size, QWidget* parent)
    : QWidget(parent)
    , m_name(name)
    , m_url(pictureUrl(avatar))
    , m_size(size)
{
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&ImageLoader::shared(), &ImageLoader::finished, this, [this](const QUrl& url) {
        if (url == m_url) {
            if (m_spinner)
                m_spinner->stop();
            update();
        }
    });
    startLoad();
}

void AvatarView::setName(const QString& name)
{
    m_name = name;
    update();
}

void AvatarView::setAvatar(const std::optional<QString>& avatar)
{
    const QUrl url = pictureUrl(avatar);
    if (url == m_url)
        return;
    m_url = url;
    startLoad();
    update();
}

QString AvatarView::phase() const
{
    if (!m_url.isValid())
        return QStringLiteral("initials");
    switch (ImageLoader::shared().state(m_url)) {
    case ImageLoader::State::Loaded:
        return QStringLiteral("picture");
    case ImageLoader::State::Failed:
        return QStringLiteral("initials");
    default:
        return QStringLiteral("loading");
    }
}

QSize AvatarView::sizeHint() const
{
    const int side = qCeil(m_size);
    return QSize(side, side);
}

void AvatarView::startLoad()
{
    if (!m_url.isValid())
        return;
    const int side = qCeil(m_size * devicePixelRatioF());
    ImageLoader::shared().request(m_url, QSize(side, side));
    if (ImageLoader::shared().state(m_url) != ImageLoader::State::Loading)
        return;
    if (!m_spinner) {
        m_spinner = new QVariantAnimation(this);
        m_spinner->setStartValue(0);
        m_spinner->setEndValue(360);
        m_spinner->setDuration(900);
        m_spinner->setLoopCount(-1);
        connect(m_spinner, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    }
    m_spinner->start();
}

QColor AvatarView::color(const QString& name)
{
    static const std::array<QColor, 8> palette {
        QColor(0x00, 0x7a, 0xff), // blue
        QColor(0x34, 0xc7, 0x59), // green
        QColor(0xff, 0x95, 0x00), // orange
        QColor(0xaf, 0x52, 0xde), // purple
        QColor(0xff, 0x2d, 0x55), // pink
        QColor(0x30, 0xb0, 0xc7), // teal
        QColor(0x58, 0x56, 0xd6), // indigo
        QColor(0x00, 0xc7, 0xbe), // mint
    };
    // Seeded per run: a name keeps its colour for the whole run, not across runs.
    const auto hash = static_cast<qint64>(static_cast<quint64>(qHash(name, QHashSeed::globalSeed())));
    return palette[colorIndex(hash)];
}

int AvatarView::colorIndex(qint64 hash)
{
    const auto bits = static_cast<quint64>(hash);
    const quint64 magnitude = hash < 0 ? ~bits + 1 : bits;
    return int(magnitude % 8);
}

QString AvatarView::initials(const QString& name)
{
    if (name.isEmpty())
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
    const qsizetype end = finder.toNextBoundary();
    return name.left(end > 0 ? end : name.size()).toUpper();
}

QUrl AvatarView::pictureUrl(const std::optional<QString>& avatar)
{
    if (!avatar || avatar->isEmpty())
        return {};
    const QUrl url(*avatar, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

void AvatarView::paintInitials(QPainter* painter, const QRectF& rect, const QString& name)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(color(name));
    painter->drawEllipse(rect);
    const QString letter = initials(name);
    if (!letter.isEmpty()) {
        QFont font = painter->font();
        font.setPixelSize(qMax(1, qRound(rect.height() * 0.4)));
        font.setWeight(QFont::Medium);
        painter->setFont(font);
        painter->setPen(Qt::white);
        painter->drawText(rect, Qt::AlignCenter, letter);
    }
    painter->restore();
}

void AvatarView::paint(QPainter* painter, const QRectF& rect, const QString& name, const std::optional<QString>& avatar)
{
    paint(painter, rect, name, pictureUrl(avatar));
}

void AvatarView::paint(QPainter* painter, const QRectF& rect, const QString& name, const QUrl& url)
{
    if (url.isValid()) {
        ImageLoader& loader = ImageLoader::shared();
        const int side = qCeil(qMax(rect.width(), rect.height()) * painter->device()->devicePixelRatioF());
        loader.request(url, QSize(side, side));
        const QImage image = loader.image(url);
        if (!image.isNull()) {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            QPainterPath circle;
            circle.addEllipse(rect);
            painter->setClipPath(circle);
            // Fill the circle: scale the shorter side to the diameter and crop the rest.
            const QSizeF scaled = QSizeF(image.size()).scaled(rect.size(), Qt::KeepAspectRatioByExpanding);
            QRectF target(QPointF(), scaled);
            target.moveCenter(rect.center());
            painter->drawImage(target, image);
            painter->restore();
            return;
        }
    }
    paintInitials(painter, rect, name);
}

void AvatarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF disc(0, 0, m_size, m_size);
    paint(&painter, disc, m_name, m_url);
    if (phase() == QLatin1StringView("loading") && m_spinner) {
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal side = qMin<qreal>(12, m_size / 2);
        QRectF spin(0, 0, side, side);
        spin.moveCenter(disc.center());
        painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(spin, -m_spinner->currentValue().toInt() * 16, 270 * 16);
    }
}
