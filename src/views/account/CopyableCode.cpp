#include "views/account/CopyableCode.h"

#include "views/common/Localized.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

#include <algorithm>

CopyableCode::CopyableCode(const QString& objectName, const QFont& font, QWidget* parent)
    : QWidget(parent)
    , m_text(new QPlainTextEdit(this))
    , m_copy(new QPushButton(this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_text->setObjectName(objectName);
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Tab leaves the text, as from any field of the form.
    m_text->setTabChangesFocus(true);
    m_text->setFont(font);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    row->addWidget(m_text, 1);
    m_copy->setObjectName(objectName + QStringLiteral("Copy"));
    row->addWidget(m_copy, 0, Qt::AlignTop);
    connect(m_copy, &QPushButton::clicked, this, [this] { QGuiApplication::clipboard()->setText(text()); });
}

void CopyableCode::setText(const QString& text)
{
    if (text == this->text())
        return;
    m_text->setPlainText(text);
    fitHeight();
}

QString CopyableCode::text() const
{
    return m_text->toPlainText();
}

void CopyableCode::setCaption(const QString& caption)
{
    m_text->setAccessibleName(caption);
    m_copy->setText(Localized::text("common.copy"));
    m_copy->setAccessibleName(m_copy->text() + u' ' + caption);
}

void CopyableCode::fitHeight()
{
    // Every line shows: codes are read off the screen, never scrolled to.
    const int lines = std::max(1, m_text->document()->blockCount());
    const QMargins margins = m_text->contentsMargins();
    const int padding = 2 * int(m_text->document()->documentMargin()) + margins.top() + margins.bottom();
    m_text->setFixedHeight(lines * m_text->fontMetrics().lineSpacing() + padding);
}
