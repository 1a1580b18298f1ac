#include "views/admin/SensitiveWordsView.h"

#include "state/common/LocalizationManager.h"
#include "state/common/PrintfFormat.h"
#include "state/admin/SensitiveWordsViewModel.h"
#include "views/admin/AddSensitiveWordSheet.h"
#include "views/admin/AdminCellDelegate.h"
#include "views/admin/AdminTableContent.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/admin/SensitiveWordsTableModel.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// At the smallest console every column fits in each language, the vertical scroll bar shown;
// the word itself shortens with "…" (its tooltip holds it whole).
const QList<int> columnWidths { 50, 140, 80, 60, 100, 50, 70 };
const QList<int> minimumWidths { 40, 100, 60, 50, 60, 40, 60 };

} // namespace

SensitiveWordsView::SensitiveWordsView(APIClient& api, QWidget* parent)
    : QWidget(parent)
    , m_model(new SensitiveWordsViewModel(api, this))
    , m_search(new QLineEdit(this))
    , m_total(new QLabel(this))
    , m_add(new QPushButton(this))
    , m_filter(new SensitiveWordsFilter(m_model, new SensitiveWordsTableModel(m_model, this), this))
    , m_content(nullptr)
{
    auto* table = new QTableView(this);
    table->setModel(m_filter);
    auto* delegate = new AdminCellDelegate(table);
    table->setItemDelegate(delegate);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideRight);
    m_content = new AdminTableContent(table, QStringLiteral("wordsTable"), QStringLiteral("text.badge.xmark"), columnWidths, minimumWidths, this);
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
    connect(delegate, &AdminCellDelegate::actionTriggered, this, &SensitiveWordsView::actionTriggered);
    connect(m_filter, &QAbstractItemModel::modelReset, this, &SensitiveWordsView::updateState);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &SensitiveWordsView::updateState);
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, &SensitiveWordsView::updateState);
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, &SensitiveWordsView::updateState);
    connect(m_model, &SensitiveWordsViewModel::searchTextChanged, this, &SensitiveWordsView::updateState);
    connect(m_model, &SensitiveWordsViewModel::isLoadingChanged, this, &SensitiveWordsView::updateState);
    connect(m_model, &SensitiveWordsViewModel::totalChanged, this, &SensitiveWordsView::updateTotal);
    bindErrorAlert(this, m_model);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, [this] {
        retranslate();
        updateState();
    });
    retranslate();
    updateState();
}

QTableView* SensitiveWordsView::table() const
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
    m_search->setAccessibleName(m_search->placeholderText());
    table()->setAccessibleName(Localized::text("admin.sensitive_words"));
    m_add->setText(Localized::text("admin.words_add"));
    updateTotal();
}

void SensitiveWordsView::updateTotal()
{
    m_total->setText(printfFormat(Localized::text("admin.words_total"), { QString::number(m_model->total()) }));
}

void SensitiveWordsView::updateState()
{
    m_content->setEmptyTitle(Localized::text(m_model->searchText().isEmpty() ? "admin.words_empty" : "admin.words_no_match"));
    m_content->showState(m_model->isLoading(), m_filter->rowCount() == 0);
}

void SensitiveWordsView::actionTriggered(const QModelIndex& index, const QString& name)
{
    if (name != u"deleteButton")
        return;
    const qint64 id = index.data(SensitiveWordsTableModel::WordIdRole).toLongLong();
    for (const SensitiveWord& word : m_model->words()) {
        if (word.id == id)
            return requestDelete(word);
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
