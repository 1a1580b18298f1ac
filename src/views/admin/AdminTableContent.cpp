#include "views/admin/AdminTableContent.h"

#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Spinner.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

AdminTableContent::AdminTableContent(QTableView* table, const QString& tableName, const QString& emptySymbol,
                                     const QList<int>& columnWidths, QWidget* parent)
    : QStackedWidget(parent)
    , m_emptyTitle(new QLabel(this))
    , m_table(table)
{
    auto* spinnerPage = new QWidget(this);
    spinnerPage->setObjectName(QStringLiteral("loadingPage"));
    (new QVBoxLayout(spinnerPage))->addWidget(new Spinner(28, Appearance::secondaryText(), spinnerPage), 0, Qt::AlignCenter);
    auto* emptyPage = new QWidget(this);
    emptyPage->setObjectName(QStringLiteral("emptyPage"));
    auto* emptyLayout = new QVBoxLayout(emptyPage);
    emptyLayout->addStretch(1);
    auto* emptyIcon = new QLabel(emptyPage);
    Icons::apply(emptyIcon, emptySymbol, 40, Appearance::secondaryText());
    emptyLayout->addWidget(emptyIcon, 0, Qt::AlignHCenter);
    m_emptyTitle->setObjectName(QStringLiteral("emptyTitle"));
    m_emptyTitle->setFont(Appearance::font(Appearance::TextStyle::Title2));
    Appearance::setTextColor(m_emptyTitle, Appearance::secondaryText());
    emptyLayout->addWidget(m_emptyTitle, 0, Qt::AlignHCenter);
    emptyLayout->addStretch(1);
    m_table->setObjectName(tableName);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(false);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(34);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int i = 0; i < columnWidths.size(); ++i)
        m_table->setColumnWidth(i, columnWidths.at(i));
    addWidget(spinnerPage);
    addWidget(emptyPage);
    addWidget(m_table);
}

void AdminTableContent::setEmptyTitle(const QString& title)
{
    m_emptyTitle->setText(title);
}

void AdminTableContent::showState(bool loading, bool empty)
{
    setCurrentIndex(loading ? 0 : empty ? 1 : 2);
}

QHBoxLayout* AdminTableContent::header(QLineEdit* search, int searchWidth, QLabel* total)
{
    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 12, 12, 12);
    search->setObjectName(QStringLiteral("searchField"));
    search->setMaximumWidth(searchWidth);
    search->setClearButtonEnabled(true);
    total->setObjectName(QStringLiteral("totalLabel"));
    total->setFont(Appearance::font(Appearance::TextStyle::Caption));
    Appearance::setTextColor(total, Appearance::secondaryText());
    return header;
}
