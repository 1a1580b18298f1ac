#pragma once

#include <QDialog>
#include <QUrl>

class QLabel;
class QPushButton;
class QStackedWidget;

// The sheet that shows one image file, 600 × 500: a header with its close
// button (Escape closes it too), then the picture scaled to fit, a progress
// indicator while it loads, or a notice when it cannot be shown. Pictures come
// through the shared image loader: http and https only, never with a token.
class ImagePreviewView : public QDialog {
    Q_OBJECT
public:
    explicit ImagePreviewView(QUrl url, QWidget* parent = nullptr);

    QUrl url() const { return m_url; }
    // "loading", "loaded" or "failed".
    QString phase() const;

private:
    void showState();
    void retranslate();

    QUrl m_url;
    QLabel* m_title;
    QPushButton* m_close;
    QStackedWidget* m_content;
    QLabel* m_image;
    QLabel* m_failedText;
};
