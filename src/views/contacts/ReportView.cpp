#include "views/contacts/ReportView.h"

#include "state/common/LocalizationManager.h"
#include "state/contacts/ReportViewModel.h"
#include "views/common/AlertLabel.h"
#include "views/common/Appearance.h"
#include "views/common/ComboBoxAccessible.h"
#include "views/common/FocusHold.h"
#include "views/common/Localized.h"
#include "views/common/ProminentButton.h"
#include "views/common/Sheet.h"
#include "views/common/TabLeavesField.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

ReportView::ReportView(ReportViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_title(new QLabel(this))
    , m_reasonLabel(new QLabel(this))
    , m_reason(new QComboBox(this))
    , m_description(new QPlainTextEdit(this))
    , m_error(new AlertLabel(this))
    , m_cancel(new QPushButton(this))
    , m_submit(new ProminentButton(this))
{
    setObjectName(QStringLiteral("reportView"));
    m_viewModel->setParent(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(16);
    m_title->setFont(Appearance::font(TextStyle::Headline));
    column->addWidget(m_title, 0, Qt::AlignHCenter);

    auto* reasonRow = new QHBoxLayout;
    m_reason->setObjectName(QStringLiteral("reasonPicker"));
    for (const ReportViewModel::Reason& reason : ReportViewModel::reasons())
        m_reason->addItem(QString(), reason.code);
    reasonRow->addWidget(m_reasonLabel);
    reasonRow->addWidget(m_reason, 1);
    column->addLayout(reasonRow);

    m_description->setObjectName(QStringLiteral("descriptionEditor"));
    m_description->setFixedHeight(100);
    // Tab goes on to the buttons; Ctrl+Tab types a tab.
    TabLeavesField::apply(m_description);
    m_description->setStyleSheet(QStringLiteral("QPlainTextEdit { border: 1px solid rgba(128,128,128,77); }"));
    column->addWidget(m_description);

    m_error->setObjectName(QStringLiteral("reportError"));
    m_error->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_error, QColor(0xff, 0x3b, 0x30));
    column->addWidget(m_error);

    auto* buttons = new QHBoxLayout;
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAutoDefault(false);
    m_submit->setObjectName(QStringLiteral("submitButton"));
    m_submit->setDefault(true);
    m_submit->setFixedHeight(26);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_submit);
    buttons->addStretch(1);
    column->addLayout(buttons);

    QPointer<ReportViewModel> vm(m_viewModel);
    connect(m_cancel, &QPushButton::clicked, this, [this] { Sheet::dismiss(this); });
    connect(m_submit, &QPushButton::clicked, this, [vm] {
        if (vm)
            vm->submit();
    });
    connect(m_reason, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_viewModel->setReason(m_reason->itemData(index).toString());
    });
    connect(m_description, &QPlainTextEdit::textChanged, this, [this] { m_viewModel->setDescription(m_description->toPlainText()); });
    connect(m_viewModel, &ReportViewModel::isSubmittingChanged, this, &ReportView::updateState);
    connect(m_viewModel, &ReportViewModel::errorChanged, this, &ReportView::updateState);
    connect(m_viewModel, &ReportViewModel::submitted, this, [this] {
        // The sheet goes: the window it leaves says that the report went.
        QWidget* opener = window()->parentWidget();
        AlertLabel::announce(opener ? opener->window() : window(), Localized::text("contact.report_sent"));
        Sheet::dismiss(this);
    });
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ReportView::retranslate);
    retranslate();
    updateState();
}

void ReportView::retranslate()
{
    setWindowTitle(Localized::text("contact.report_title"));
    m_title->setText(Localized::text("contact.report_title"));
    m_reasonLabel->setText(Localized::text("contact.report_reason"));
    ComboBoxAccessible::setName(m_reason, m_reasonLabel->text());
    m_description->setAccessibleName(Localized::text("contact.report_description"));
    for (int i = 0; i < m_reason->count(); ++i)
        m_reason->setItemText(i, Localized::text(ReportViewModel::reasons().at(i).labelKey));
    m_cancel->setText(Localized::text("contact.report_cancel"));
    m_submit->setText(Localized::text("contact.report_submit"));
    m_submit->setMinimumWidth(m_submit->fontMetrics().horizontalAdvance(m_submit->text()) + 28);
}

void ReportView::updateState()
{
    FocusHold::setEnabled(m_submit, !m_viewModel->isSubmitting());
    const std::optional<QString> error = m_viewModel->error();
    m_error->setAlert(error);
}
