#include "views/account/GroupedForm.h"

#include "views/account/FormSection.h"
#include "views/common/Appearance.h"

#include <QLabel>
#include <QVBoxLayout>

using Appearance::TextStyle;

GroupedForm::GroupedForm(QWidget* parent)
    : QScrollArea(parent)
    , m_title(new QLabel)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    // Tab walks the rows and scrolls each into sight; the area itself shows nothing to stop at.
    setFocusPolicy(Qt::NoFocus);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("groupedFormContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 16, 20, 20);
    column->setSpacing(18);
    m_title->setObjectName(QStringLiteral("formTitle"));
    m_title->setFont(Appearance::font(TextStyle::Title2));
    column->addWidget(m_title);
    m_sections = new QVBoxLayout;
    m_sections->setSpacing(18);
    column->addLayout(m_sections);
    column->addStretch(1);
    setWidget(content);
}

FormSection* GroupedForm::addSection(const char* objectName)
{
    auto* section = new FormSection(widget());
    section->setObjectName(QString::fromLatin1(objectName));
    m_sections->addWidget(section);
    return section;
}
