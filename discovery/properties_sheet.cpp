#include "discovery/properties_sheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/ui_text.h"
#include "discovery/connect_page.h"

CProperties::CProperties(const QString& caption, QWidget* parent, int firstPage) : QDialog(parent) {
    setWindowTitle(caption);
    m_tabs = new QTabWidget(this);
    m_page = new CConnectPage;
    m_tabs->addTab(m_page, UiText(IDS_PAGE_CONNECTION));
    m_tabs->setCurrentIndex(firstPage >= 0 && firstPage < m_tabs->count() ? firstPage : 0);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CProperties::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CProperties::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CProperties::accept() {
    if (m_page->ReadBack()) QDialog::accept();
}

bool RunSettingsSheet(QWidget* parent, const QString& caption, std::string& portName,
                      int& speedIndex, int& timeout) {
    CProperties sheet(caption, parent, 0);
    CConnectPage& page = sheet.Page();
    page.m_portName = portName;
    page.m_speedIndex = speedIndex;
    page.m_timeout = static_cast<uint32_t>(timeout);
    if (sheet.exec() != QDialog::Accepted) return false;
    portName = page.m_portName;
    speedIndex = page.m_speedIndex;
    timeout = static_cast<int>(page.m_timeout);
    return true;
}
