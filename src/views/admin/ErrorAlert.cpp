#include "views/admin/ErrorAlert.h"

#include "views/common/Localized.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

ErrorAlert::ErrorAlert(QWidget* screen, Reader read, Clearer clear)
    : QObject(screen)
    , m_screen(screen)
    , m_read(std::move(read))
    , m_clear(std::move(clear))
{
}

void ErrorAlert::update()
{
    const std::optional<QString> message = m_read();
    if (!message) {
        if (m_box)
            m_box->close();
        return;
    }
    if (!m_box) {
        m_box = new QMessageBox(QMessageBox::Warning, Localized::text("common.error"), QString(), QMessageBox::NoButton, m_screen);
        m_box->setObjectName(QStringLiteral("errorAlert"));
        m_box->setAttribute(Qt::WA_DeleteOnClose);
        m_box->setTextFormat(Qt::PlainText);
        m_box->addButton(Localized::text("common.ok"), QMessageBox::AcceptRole);
        connect(m_box, &QMessageBox::finished, this, [this] { m_clear(); });
    }
    m_box->setText(*message);
    m_box->open();
}
