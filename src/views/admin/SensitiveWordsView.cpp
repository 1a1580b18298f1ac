#include "views/admin/SensitiveWordsView.h"

#include "state/LocalizationManager.h"
#include "state/PrintfFormat.h"
#include "state/SensitiveWordsViewModel.h"
#include "views/admin/AddSensitiveWordSheet.h"
#include "views/admin/AdminTableContent.h"
#include "views/admin/CapsuleBadge.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/common/ErrorAlert.h"
#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

const QList<std::pair<QString, int>> columns {
    { QStringLiteral("ID"), 50 },
    { QStringLiteral("admin.words_word"), 160 },
    { QStringLiteral("admin.words_category"), 80 },
    { QStringLiteral("admin.words_level"), 60 },
    { QStringLiteral("admin.words_replacement"), 100 },
    { QStringLiteral("admin.words_status"), 50 },
    { QStringLiteral("admin.users_actions"), 70 },
};

QList<int> columnWidths()
{
    QList<int> widths;
    for (const auto& [key, width] : columns)
        widths << width;
    return widths;
}

QWidget* cell(QWidget* content)
{
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(content);
    layout->addStretch(1);
    return holder;
}

QTableWidgetItem* textItem(const QString& text, TextStyle style, bool secondary)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setFont(Appearance::font(style));
    item->setToolTip(text);
    if (secondary)
        item->setForeground(Appearance::secondaryText());
    return item;
}

} // namespace

SensitiveWordsView::SensitiveWordsView(APIClient& api, QWidget* parent)
    : QWidget(parent)
    , m_model(new SensitiveWordsViewModel(api, this))
    , m_search(new QLineEdit(this))
    , m_total(new QLabel(this))
    , m_add(new QPushButton(this))
    , m_content(new AdminTableContent(QStringLiteral("wordsTable"), QStringLiteral("text.badge.xmark"), columnWidths(), this))
{
    setObjectName(QStringLiteral("sensitiveWordsView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    QHBoxLayout* header = AdminTableContent::header(m_search, 250, m_total);
    m_add->setObjectName(QStringLiteral("addWordButton"));
    Icons::apply(m_add, QStringLiteral("plus"), 14);
    header->addWidget(m_search, 1);
    header->addStretch(1);
    header->addWidget(m_total);
    header->addWidget(m_add);
    column->addLayout(header);
    column->addWidget(divider(this));

    column->addWidget(m_content, 1);

    connect(m_search, &QLineEdit::textChanged, m_model, &SensitiveWordsViewModel::setSearchText);
    connect(m_add, &QPushButton::clicked, this, &SensitiveWordsView::openAddSheet);
    connect(m_model, &SensitiveWordsViewModel::wordsChanged, this, &SensitiveWordsView::rebuildRows);
    connect(m_model, &SensitiveWordsViewModel::searchTextChanged, this, &SensitiveWordsView::rebuildRows);
    connect(m_model, &SensitiveWordsViewModel::isLoadingChanged, this, &SensitiveWordsView::rebuildRows);
    bindErrorAlert(this, m_model);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, [this] {
        retranslate();
        rebuildRows();
    });
    retranslate();
    rebuildRows();
}

QTableWidget* SensitiveWordsView::table() const
{
    return m_content->table();
}

void SensitiveWordsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_model->loadWords();
}

void SensitiveWordsView::retranslate()
{
    m_search->setPlaceholderText(Localized::text("admin.words_search"));
    m_add->setText(Localized::text("admin.words_add"));
    QStringList titles;
    for (const auto& [key, width] : columns)
        titles << (key == u"ID" ? key : Localized::text(key));
    table()->setHorizontalHeaderLabels(titles);
}

void SensitiveWordsView::rebuildRows()
{
    m_total->setText(printfFormat(Localized::text("admin.words_total"), { QString::number(m_model->words().size()) }));
    const QList<SensitiveWord> rows = m_model->filteredWords();
    m_content->setEmptyTitle(Localized::text(m_model->searchText().isEmpty() ? "admin.words_empty" : "admin.words_no_match"));
    m_content->showState(m_model->isLoading(), rows.isEmpty());
    table()->clearContents();
    table()->setRowCount(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        const SensitiveWord word = rows.at(row);
        table()->setItem(row, 0, textItem(QString::number(word.id), TextStyle::Caption, false));
        table()->setItem(row, 1, textItem(word.word, TextStyle::Body, false));
        table()->setCellWidget(row, 2, cell(new CapsuleBadge(SensitiveWordsViewModel::categoryLabel(word.category),
                                                             SensitiveWordsViewModel::categoryColor(word.category))));
        table()->setItem(row, 3, textItem(word.level.value_or(QStringLiteral("-")), TextStyle::Caption, true));
        table()->setItem(row, 4, textItem(word.replacement.value_or(QStringLiteral("-")), TextStyle::Caption, true));
        auto* dot = new QLabel;
        dot->setObjectName(QStringLiteral("statusDot"));
        dot->setFixedSize(8, 8);
        const Tint state = word.isActive.value_or(true) ? Tint::Green : Tint::Gray;
        dot->setProperty("tint", int(state));
        dot->setStyleSheet(QStringLiteral("background: %1; border-radius: 4px;").arg(tintColor(state).name()));
        table()->setCellWidget(row, 5, cell(dot));
        auto* remove = new QPushButton(Localized::text("common.delete"));
        remove->setObjectName(QStringLiteral("deleteButton"));
        remove->setFont(Appearance::font(TextStyle::Caption));
        remove->setStyleSheet(QStringLiteral("QPushButton { color: %1; padding: 2px 8px; }").arg(tintColor(Tint::Red).name()));
        connect(remove, &QPushButton::clicked, this, [this, word] { requestDelete(word); });
        table()->setCellWidget(row, 6, cell(remove));
    }
}

void SensitiveWordsView::openAddSheet()
{
    auto* sheet = new AddSensitiveWordSheet(m_model, this);
    sheet->open();
}

void SensitiveWordsView::requestDelete(const SensitiveWord& word)
{
    const QString title = printfFormat(Localized::text("admin.words_delete_confirm"), { word.word });
    QPointer<SensitiveWordsViewModel> model(m_model);
    auto* dialog = new ConfirmationDialog(title, Localized::text("common.delete"), true, [model, word] {
        if (model)
            model->deleteWord(word);
    }, this);
    dialog->open();
}
