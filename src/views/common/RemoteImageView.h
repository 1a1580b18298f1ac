#pragma once

#include <QColor>
#include <QPixmap>
#include <QUrl>
#include <QWidget>

// A picture from an address, fetched through the shared image loader (http and
// https only, size caps) once it is first drawn, and drawn at a fixed size: a grey cell or a symbol
// stands in while it loads, when it fails and when there is no address.
class RemoteImageView : public QWidget {
    Q_OBJECT
    // "placeholder" or "picture": what the view shows now.
    Q_PROPERTY(QString phase READ phase)
public:
    enum class Fit { Fill, Contain };

    RemoteImageView(const QUrl& url, QSize size, Fit fit, qreal cornerRadius, QWidget* parent = nullptr);

    // Drawn centred in place of the picture; without one the cell is filled grey.
    void setPlaceholder(const QPixmap& symbol);
    QUrl url() const { return m_url; }
    QString phase() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QUrl m_url;
    Fit m_fit;
    qreal m_radius;
    QPixmap m_placeholder;
    bool m_requested = false;
};
