#pragma once

#include <QColor>
#include <QUrl>
#include <QWidget>

#include <optional>

class QPainter;
class QVariantAnimation;

// The circular picture of a person, group or conversation: the picture found at
// the avatar address when it loads, otherwise a coloured disc with the name's
// first letter. Lists that paint their rows use paint() instead of a widget.
class AvatarView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString phase READ phase)
public:
    AvatarView(const QString& name, const std::optional<QString>& avatar, qreal size, QWidget* parent = nullptr);

    void setName(const QString& name);
    void setAvatar(const std::optional<QString>& avatar);
    QString name() const { return m_name; }
    // "initials", "loading" or "picture": what the view shows now.
    QString phase() const;

    QSize sizeHint() const override;

    static QColor color(const QString& name);
    // Palette index for a signed 64-bit hash: its magnitude modulo 8, taken
    // unsigned so the most negative value does not overflow.
    static int colorIndex(qint64 hash);
    // The first grapheme of the name, upper-cased (may be more than one letter).
    static QString initials(const QString& name);
    // The address to load, or an invalid URL when there is no picture.
    static QUrl pictureUrl(const std::optional<QString>& avatar);
    // Paints the picture when the shared loader has it, else the initials disc,
    // and asks the loader for it. For painted list rows.
    static void paint(QPainter* painter, const QRectF& rect, const QString& name, const std::optional<QString>& avatar);
    static void paint(QPainter* painter, const QRectF& rect, const QString& name, const QUrl& url);
    static void paintInitials(QPainter* painter, const QRectF& rect, const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void startLoad();

    QString m_name;
    QUrl m_url;
    qreal m_size;
    QVariantAnimation* m_spinner = nullptr;
};
