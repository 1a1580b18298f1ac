#include "views/admin/SystemConfigView.h"

#include "state/common/LocalizationManager.h"
#include "state/common/PrintfFormat.h"
#include "state/admin/SystemConfigViewModel.h"
#include "views/common/ErrorAlert.h"
#include "views/admin/TintColor.h"
#include "views/common/AlertLabel.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* numberField(const char* name, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setAlignment(Qt::AlignRight);
    field->setFixedWidth(100);
    return field;
}

AlertLabel* rangeHint(const char* name, QWidget* parent)
{
    auto* hint = new AlertLabel(parent);
    hint->setObjectName(QString::fromLatin1(name));
    hint->setFont(Appearance::font(Appearance::TextStyle::Caption));
    hint->setAlignment(Qt::AlignRight);
    Appearance::setTextColor(hint, tintColor(Tint::Red));
    return hint;
}

void markValidity(QLineEdit* field, AlertLabel* hint, SystemConfigViewModel::Range range)
{
    const bool invalid = SystemConfigViewModel::field(field->text(), range) == SystemConfigViewModel::Field::Invalid;
    field->setProperty("invalid", invalid);
    field->setStyleSheet(invalid ? QStringLiteral("QLineEdit { border: 1px solid %1; border-radius: 3px; }").arg(tintColor(Tint::Red).name())
                                 : QString());
    const QString allowed = printfFormat(Localized::text("admin.config_range"), { QString::number(range.minimum), QString::number(range.maximum) });
    // Save greys out while a value is out of range; a screen reader hears why at
    // once, and again with the field whenever it comes back to it.
    field->setAccessibleDescription(invalid ? allowed : QString());
    if (invalid) {
        hint->setAlert(allowed);
    } else {
        hint->setText(allowed);
        hint->hide();
    }
}

} // namespace

SystemConfigView::SystemConfigView(APIClient& api, QWidget* parent)
    : QWidget(parent)
    , m_model(new SystemConfigViewModel(api, this))
    , m_groups(new QGroupBox(this))
    , m_messages(new QGroupBox(this))
    , m_security(new QGroupBox(this))
    , m_maxMembersLabel(new QLabel(this))
    , m_retentionLabel(new QLabel(this))
    , m_maxMembers(numberField("maxGroupMembersField", this))
    , m_retention(numberField("retentionField", this))
    , m_maxMembersHint(rangeHint("maxGroupMembersHint", this))
    , m_retentionHint(rangeHint("retentionHint", this))
    , m_screenshot(new QCheckBox(this))
    , m_registration(new QCheckBox(this))
    , m_save(new QPushButton(this))
    , m_saving(new Spinner(16, Appearance::secondaryText(), m_save))
    , m_reload(new QPushButton(this))
    , m_cover(new QWidget(this))
{
    setObjectName(QStringLiteral("systemConfigView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);

    const auto numberRow = [](QGroupBox* box, QLabel* label, QLineEdit* field, QLabel* hint) {
        auto* rows = new QVBoxLayout(box);
        auto* row = new QHBoxLayout;
        row->addWidget(label);
        row->addStretch(1);
        row->addWidget(field);
        rows->addLayout(row);
        rows->addWidget(hint);
    };
    numberRow(m_groups, m_maxMembersLabel, m_maxMembers, m_maxMembersHint);
    numberRow(m_messages, m_retentionLabel, m_retention, m_retentionHint);
    auto* switches = new QVBoxLayout(m_security);
    m_screenshot->setObjectName(QStringLiteral("screenshotSwitch"));
    m_registration->setObjectName(QStringLiteral("registrationSwitch"));
    switches->addWidget(m_screenshot);
    switches->addWidget(m_registration);
    column->addWidget(m_groups);
    column->addWidget(m_messages);
    column->addWidget(m_security);

    auto* saveRow = new QHBoxLayout;
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setMinimumWidth(120);
    m_saving->setObjectName(QStringLiteral("savingSpinner"));
    m_reload->setObjectName(QStringLiteral("reloadButton"));
    saveRow->addStretch(1);
    saveRow->addWidget(m_reload);
    saveRow->addWidget(m_save);
    // While a save runs the spinner is the button's label.
    auto* inside = new QHBoxLayout(m_save);
    inside->setContentsMargins(0, 0, 0, 0);
    inside->addWidget(m_saving, 0, Qt::AlignCenter);
    saveRow->addStretch(1);
    column->addLayout(saveRow);
    column->addStretch(1);
    // Each field is named by its own label, not by its section's title.
    m_maxMembersLabel->setBuddy(m_maxMembers);
    m_retentionLabel->setBuddy(m_retention);

    // While the first load runs, a dimmed cover with a spinner hides the form.
    m_cover->setObjectName(QStringLiteral("loadingCover"));
    m_cover->setAttribute(Qt::WA_StyledBackground);
    m_cover->setStyleSheet(QStringLiteral("#loadingCover { background: rgba(255, 255, 255, 204); }"));
    auto* coverLayout = new QVBoxLayout(m_cover);
    coverLayout->addWidget(new Spinner(28, Appearance::secondaryText(), m_cover), 0, Qt::AlignCenter);

    connect(m_maxMembers, &QLineEdit::textEdited, m_model, &SystemConfigViewModel::setMaxGroupMembers);
    connect(m_retention, &QLineEdit::textEdited, m_model, &SystemConfigViewModel::setMessageRetentionDays);
    connect(m_screenshot, &QCheckBox::toggled, m_model, &SystemConfigViewModel::setScreenshotProtection);
    connect(m_registration, &QCheckBox::toggled, m_model, &SystemConfigViewModel::setAllowRegistration);
    // Save is marked as the form's answer only while the keyboard is in the form,
    // and not on another of its buttons: elsewhere its mark reads as a second focus.
    // Tied to the button, which goes before the form while the form is taken down.
    connect(qApp, &QApplication::focusChanged, m_save, [this](QWidget*, QWidget* now) {
        m_save->setDefault(now && isAncestorOf(now) && (now == m_save || !qobject_cast<QPushButton*>(now)));
    });
    connect(m_save, &QPushButton::clicked, m_model, [this] { m_model->save(); });
    connect(m_reload, &QPushButton::clicked, m_model, [this] { m_model->load(); });
    connect(m_model, &SystemConfigViewModel::formChanged, this, &SystemConfigView::updateForm);
    connect(m_model, &SystemConfigViewModel::stateChanged, this, &SystemConfigView::updateState);
    connect(m_model, &SystemConfigViewModel::saved, this, [this] {
        auto* box = new QMessageBox(QMessageBox::Information, Localized::text("admin.config_saved"), Localized::text("admin.config_saved"),
                                    QMessageBox::NoButton, this);
        box->setObjectName(QStringLiteral("savedAlert"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->addButton(Localized::text("common.ok"), QMessageBox::AcceptRole)->setObjectName(QStringLiteral("savedAlertOk"));
        box->open();
    });
    bindErrorAlert(this, m_model);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &SystemConfigView::retranslate);
    retranslate();
    updateForm();
    updateState();
}

void SystemConfigView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_model->load();
}

void SystemConfigView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_cover->setGeometry(rect());
}

void SystemConfigView::retranslate()
{
    m_groups->setTitle(Localized::text("admin.config_groups"));
    m_messages->setTitle(Localized::text("admin.config_messages"));
    m_security->setTitle(Localized::text("admin.config_security"));
    m_maxMembersLabel->setText(Localized::text("admin.config_max_members"));
    m_retentionLabel->setText(Localized::text("admin.config_retention"));
    m_screenshot->setText(Localized::text("admin.config_screenshot"));
    m_registration->setText(Localized::text("admin.config_registration"));
    m_save->setText(m_model->isSaving() ? QString() : Localized::text("admin.config_save"));
    // Its spinner replaces the label while saving; the name stays.
    m_save->setAccessibleName(Localized::text("admin.config_save"));
    m_reload->setText(Localized::text("admin.refresh"));
    markValidity();
}

void SystemConfigView::updateForm()
{
    // Only what the model changed is written back, so the caret stays where it is.
    if (m_maxMembers->text() != m_model->maxGroupMembers())
        m_maxMembers->setText(m_model->maxGroupMembers());
    if (m_retention->text() != m_model->messageRetentionDays())
        m_retention->setText(m_model->messageRetentionDays());
    m_screenshot->setChecked(m_model->screenshotProtection());
    m_registration->setChecked(m_model->allowRegistration());
    markValidity();
}

void SystemConfigView::markValidity()
{
    ::markValidity(m_maxMembers, m_maxMembersHint, SystemConfigViewModel::maxGroupMembersRange);
    ::markValidity(m_retention, m_retentionHint, SystemConfigViewModel::retentionDaysRange);
}

void SystemConfigView::updateState()
{
    m_save->setEnabled(m_model->canSave());
    m_saving->setVisible(m_model->isSaving());
    m_save->setText(m_model->isSaving() ? QString() : Localized::text("admin.config_save"));
    m_reload->setVisible(m_model->loadFailed() && !m_model->isLoading());
    m_cover->setVisible(m_model->isLoading());
    m_cover->raise();
    markValidity();
}
