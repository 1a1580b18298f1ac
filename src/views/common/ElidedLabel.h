#pragma once

#include <QLabel>

// A one-line plain-text label that shortens its text with "…" to the width it is
// given, instead of cutting the last glyph or pushing its neighbours aside. It
// asks for its full text's width but accepts any width down to the ellipsis.
// When its text is selectable, copying takes the full text, not the shortened one.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return m_fullText; }
    bool isElided() const { return text() != m_fullText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void elide();
    void copyFullText() const;

    QString m_fullText;
};
