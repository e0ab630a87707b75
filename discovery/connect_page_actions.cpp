// The connection page's four device actions. Each opens the port for itself, closes it on every
// way out, and hands any failure to the error reporter.
#include <QComboBox>
#include <QLineEdit>

#include "core/ui_text.h"
#include "device/device_commands.h"
#include "device/device_identity.h"
#include "device/device_info_text.h"
#include "device/device_link.h"
#include "device/link_control.h"
#include "discovery/connect_page.h"
#include "discovery/device_info_dlg.h"
#include "discovery/device_search_dlg.h"
#include "ui/error_reporter.h"
#include "ui/message_box.h"
#include "ui/ui_helpers.h"

class CConnectPage::ActionScope {
public:
    explicit ActionScope(CConnectPage& page) : m_page(page), m_owner(!page.m_busy) {
        page.m_busy = true;
    }
    ~ActionScope() {
        if (m_owner) m_page.m_busy = false;
    }
    ActionScope(const ActionScope&) = delete;
    ActionScope& operator=(const ActionScope&) = delete;

    // False when another action was already running: this one must do nothing.
    bool Owns() const { return m_owner; }

private:
    CConnectPage& m_page;
    bool m_owner;
};

// One ping at the chosen speed: the device's name, or "not found" when nothing answers.
void CConnectPage::OnCheckLink() {
    const ActionScope action(*this);
    if (!action.Owns()) return;
    try {
        if (!ReadBack()) return;
        BusyCursor busy;
        DeviceLink link(m_settings);
        uint8_t deviceCode = 0;
        m_device->setText(Ping(link.Protocol(), &deviceCode)
                              ? QString::fromStdString(DeviceName(deviceCode))
                              : UiText(IDS_NOT_FOUND));
    } catch (...) {
        ReportCurrentException();
    }
}

// Talks to the device at the speed the page held before and moves it to the one chosen now.
void CConnectPage::OnSetSpeed() {
    const ActionScope action(*this);
    if (!action.Owns()) return;
    try {
        const int oldIndex = m_settings.speedIndex;
        if (!ReadBack()) return;
        BusyCursor busy;
        DeviceLink link(m_settings.portName, oldIndex, static_cast<uint32_t>(m_settings.timeoutMs));
        SetDeviceBaudIndex(link.Protocol(), static_cast<uint8_t>(m_settings.speedIndex),
                           SpeedCommand::Required);
    } catch (...) {
        ReportCurrentException();
    }
}

// Takes over the port and speed of the row chosen in the search, if they are usable here.
void CConnectPage::OnSearch() {
    {
        const ActionScope action(*this);
        if (!action.Owns()) return;
        if (!TakeSearchResult()) return;
    }
    OnCheckLink();
}

// The search dialog's row into the page's lists; false when nothing usable was chosen.
bool CConnectPage::TakeSearchResult() {
    try {
        CDeviceSearchDlg search(this);
        if (search.exec() != QDialog::Accepted) return false;
        const int speedIndex = search.FoundSpeedIndex();
        if (speedIndex < 0 || speedIndex >= m_speedList->count()) return false;
        RefreshPorts();
        const int port = m_portList->findText(QString::fromStdString(search.FoundPort()),
                                              Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (port < 0) return false;
        m_portList->setCurrentIndex(port);
        m_speedList->setCurrentIndex(speedIndex);
        return true;
    } catch (...) {
        ReportCurrentException();
        return false;
    }
}

// Reads the identity under its own small window and shows it in a box.
void CConnectPage::OnDetails() {
    const ActionScope action(*this);
    if (!action.Owns()) return;
    try {
        if (!ReadBack()) return;
        DeviceLink link(m_settings);
        CDeviceInfoDlg reading(link.Protocol(), this);
        if (reading.exec() != QDialog::Accepted) return;
        const QString text = QString::fromStdString(FormatDeviceInfo(reading.Identity()));
        FlashIfInactive(this);
        ShowCaptionedMessageBox(this, UiText(IDS_DEVICE_INFO_TITLE), text, MsgIcon::Information);
    } catch (...) {
        ReportCurrentException();
    }
}
