#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// A secret or a list of codes the person must carry elsewhere (an authenticator,
// paper): read-only text the keyboard can reach, select and copy, and a Copy
// button beside it that puts all of it on the clipboard.
class CopyableCode : public QWidget {
    Q_OBJECT
public:
    // objectName names the text; its button is objectName + "Copy".
    CopyableCode(const QString& objectName, const QFont& font, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    // What the text is ("Secret key"): its name and its button's for a screen reader.
    void setCaption(const QString& caption);

private:
    void fitHeight();

    QPlainTextEdit* m_text;
    QPushButton* m_copy;
};
