#include "discovery/properties.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/ui_text.h"
#include "discovery/connect_page.h"

CProperties::CProperties(const QString& caption, QWidget* parent) : QDialog(parent) {
    setWindowTitle(caption);
    m_tabs = new QTabWidget(this);
    m_page = new CConnectPage;
    m_tabs->addTab(m_page, UiText(IDS_PAGE_CONNECTION));

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CProperties::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CProperties::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_page->Control(CConnectPage::IDC_PORT)->setFocus();
}

void CProperties::accept() {
    if (!m_page->IsBusy() && m_page->ReadBack()) QDialog::accept();
}

void CProperties::reject() {
    if (!m_page->IsBusy()) QDialog::reject();
}

std::optional<ConnectionSettings> RunSettingsSheet(QWidget* parent, const QString& caption,
                                                   const ConnectionSettings& settings) {
    CProperties sheet(caption, parent);
    sheet.Page().SetSettings(settings);
    if (sheet.exec() != QDialog::Accepted) return std::nullopt;
    return sheet.Page().Settings();
}
