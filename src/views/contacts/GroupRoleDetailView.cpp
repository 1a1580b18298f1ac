#include "views/contacts/GroupRoleDetailView.h"

#include "state/common/LocalizationManager.h"
#include "state/contacts/GroupRoleDetailViewModel.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Localized.h"
#include "views/common/ProminentButton.h"
#include "views/common/Sheet.h"
#include "views/common/Spinner.h"
#include "views/contacts/ColorPalette.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

QLabel* sectionTitle(QWidget* parent)
{
    auto* label = new QLabel(parent);
    QFont font = Appearance::font(TextStyle::Caption);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    Appearance::setTextColor(label, Appearance::secondaryText());
    return label;
}

} // namespace

GroupRoleDetailView::GroupRoleDetailView(GroupRoleDetailViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_basic(sectionTitle(this))
    , m_name(new QLineEdit(this))
    , m_colorCaption(new QLabel(this))
    , m_palette(new ColorPalette(viewModel->presetColors(), this))
    , m_permissionsTitle(sectionTitle(this))
    , m_save(new ProminentButton(this))
    , m_spinner(new Spinner(24, Appearance::secondaryText(), this))
{
    setObjectName(QStringLiteral("groupRoleDetailView"));
    m_viewModel->setParent(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Sheet::heading(this));
    auto* form = new QVBoxLayout;
    form->setContentsMargins(16, 12, 16, 12);
    form->setSpacing(8);
    form->addWidget(m_basic);
    m_name->setObjectName(QStringLiteral("roleNameField"));
    m_name->setMinimumHeight(26);
    form->addWidget(m_name);
    m_colorCaption->setFont(Appearance::font(TextStyle::Subheadline));
    Appearance::setTextColor(m_colorCaption, Appearance::secondaryText());
    form->addWidget(m_colorCaption);
    connect(m_palette, &ColorPalette::chosen, m_viewModel, &GroupRoleDetailViewModel::setSelectedColor);
    form->addWidget(m_palette);
    form->addSpacing(8);
    form->addWidget(m_permissionsTitle);
    for (const GroupRoleDetailViewModel::Permission& permission : GroupRoleDetailViewModel::permissionTable()) {
        auto* toggle = new QCheckBox(this);
        toggle->setObjectName(permission.key);
        connect(toggle, &QCheckBox::toggled, m_viewModel, [this, key = permission.key](bool on) { m_viewModel->setPermission(key, on); });
        m_switches.append(toggle);
        form->addWidget(toggle);
    }
    form->addStretch(1);
    column->addLayout(form, 1);

    column->addWidget(divider(this));
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 10, 12, 10);
    if (m_viewModel->isCreating()) {
        m_cancel = new QPushButton(this);
        m_cancel->setObjectName(QStringLiteral("cancelButton"));
        m_cancel->setAutoDefault(false);
        connect(m_cancel, &QPushButton::clicked, this, [this] { Sheet::dismiss(this); });
        buttons->addWidget(m_cancel);
    }
    buttons->addStretch(1);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setDefault(true);
    m_save->setFixedHeight(26);
    buttons->addWidget(m_save);
    column->addLayout(buttons);

    m_spinner->setObjectName(QStringLiteral("savingSpinner"));
    m_spinner->hide();

    QPointer<GroupRoleDetailViewModel> vm(m_viewModel);
    connect(m_name, &QLineEdit::textEdited, m_viewModel, &GroupRoleDetailViewModel::setName);
    connect(m_save, &QPushButton::clicked, this, [vm] {
        if (vm)
            vm->save();
    });
    connect(m_viewModel, &GroupRoleDetailViewModel::changed, this, &GroupRoleDetailView::updateState);
    connect(m_viewModel, &GroupRoleDetailViewModel::isSavingChanged, this, &GroupRoleDetailView::updateState);
    bindErrorAlert(this, m_viewModel);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &GroupRoleDetailView::retranslate);
    retranslate();
    updateState();
}

void GroupRoleDetailView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_viewModel->prefill();
}

void GroupRoleDetailView::retranslate()
{
    const bool creating = m_viewModel->isCreating();
    setWindowTitle(Localized::text(creating ? "roles.create_title" : "roles.edit_title"));
    m_basic->setText(Localized::text("roles.basic"));
    m_name->setPlaceholderText(Localized::text("roles.name"));
    m_name->setAccessibleName(m_name->placeholderText());
    m_colorCaption->setText(Localized::text("roles.color"));
    m_palette->retranslate(m_colorCaption->text());
    m_permissionsTitle->setText(Localized::text("roles.permissions"));
    for (int i = 0; i < m_switches.size(); ++i)
        m_switches.at(i)->setText(Localized::text(GroupRoleDetailViewModel::permissionTable().at(i).labelKey));
    if (m_cancel)
        m_cancel->setText(Localized::text("common.cancel"));
    m_save->setText(Localized::text(creating ? "roles.create" : "roles.save"));
    m_save->setMinimumWidth(m_save->fontMetrics().horizontalAdvance(m_save->text()) + 28);
}

void GroupRoleDetailView::updateState()
{
    if (m_name->text() != m_viewModel->name())
        m_name->setText(m_viewModel->name());
    m_palette->setChosen(m_viewModel->selectedColor());
    for (int i = 0; i < m_switches.size(); ++i) {
        const QSignalBlocker blocker(m_switches.at(i));
        m_switches.at(i)->setChecked(m_viewModel->permission(GroupRoleDetailViewModel::permissionTable().at(i).key));
    }
    m_save->setEnabled(m_viewModel->canSave());
    // Over the form, which stays usable beneath it.
    m_spinner->setVisible(m_viewModel->isSaving());
    m_spinner->move((width() - m_spinner->width()) / 2, (height() - m_spinner->height()) / 2);
    m_spinner->raise();
}
