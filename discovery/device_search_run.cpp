// The search itself: every ticked row's port probed at the seven speeds in turn, events handled
// between the probes so the window stays alive and a stop request can end it.
#include <QPushButton>
#include <QTreeWidget>

#include "core/run_loop.h"
#include "core/ui_text.h"
#include "device/baud_rate.h"
#include "device/device_commands.h"
#include "device/device_identity.h"
#include "device/device_link.h"
#include "discovery/device_search_dlg.h"
#include "ui/error_reporter.h"

namespace {

constexpr uint32_t kProbeTimeoutMs = 100;  // every probe, whatever the page's time-out

}  // namespace

void CDeviceSearchDlg::OnStart() {
    if (m_searching) return;
    m_searching = true;
    UpdateButtons();
    try {
        RunSearch();
    } catch (...) {
        ReportCurrentException();
    }
    m_searching = false;
    UpdateButtons();

    const PendingAction pending = m_pendingAction;
    m_pendingAction = PendingAction::None;
    if (pending == PendingAction::Cancel) reject();
    if (pending == PendingAction::Accept) accept();
}

void CDeviceSearchDlg::OnStop() {
    if (m_searching) PostStopRequest(0);
}

void CDeviceSearchDlg::RunSearch() {
    OperationScope scope;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_list->topLevelItem(i);
        row->setText(kColumnSpeed, QString());
        row->setText(kColumnState, QString());
        row->setData(kColumnPort, kSpeedRole, -1);
    }
    PumpMessages();

    // No rows come or go while the search runs (the refresh waits for it).
    const int count = m_list->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* row = m_list->topLevelItem(i);
        if (row->checkState(kColumnPort) != Qt::Checked) continue;
        m_list->scrollToItem(row);
        try {
            SearchRow(row);
        } catch (const object_description& e) {
            // The port could not be opened or the device refused: this row only.
            row->setText(kColumnState, QString::fromStdString(e.description()));
        } catch (...) {
            row->setText(kColumnState, UiText(IDS_SEARCH_STOPPED));
            ReportCurrentException();
            return;
        }
    }
}

// Probes one port at every speed, lowest first, until a device answers. The port is closed on
// every way out.
void CDeviceSearchDlg::SearchRow(QTreeWidgetItem* row) {
    DeviceLink link(row->text(kColumnPort).toStdString(), kFallbackBaudIndex, kProbeTimeoutMs);
    row->setText(kColumnState, UiText(IDS_SEARCHING));
    PumpMessages();

    for (uint8_t index = 0; index < kBaudIndexCount; ++index) {
        const uint32_t rate = BaudIndexToRate(index);
        row->setText(kColumnSpeed, QString::number(rate));
        PumpMessages();
        link.Port().SetBaudRate(rate);
        uint8_t deviceCode = 0;
        if (Ping(link.Protocol(), &deviceCode)) {
            row->setText(kColumnState, QString::fromStdString(DeviceName(deviceCode)));
            row->setData(kColumnPort, kSpeedRole, index);
            return;
        }
    }
    row->setText(kColumnState, UiText(IDS_NOT_FOUND));
}
