#include "app/acquisition.h"

#include <QByteArray>
#include <QDateTime>
#include <QWidget>
#include <algorithm>
#include <optional>

#include "core/run_loop.h"
#include "core/string_table.h"
#include "device/baud_rate.h"
#include "device/device_commands.h"
#include "device/device_link.h"
#include "device/image_area.h"
#include "device/link_control.h"
#include "imaging/image_decoder.h"
#include "imaging/image_file.h"
#include "ui/error_reporter.h"
#include "ui/message_box.h"
#include "ui/ui_helpers.h"

namespace {

struct Transfer {
    AcquisitionHost* host;
    uint32_t startTick;
};

// Progress after every block: percent and byte rate in the status line, then the window's
// events, where a Stop ends the transfer.
void ShowTransferProgress(const uint8_t*, uint32_t done, uint32_t total, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    const uint32_t elapsed = SystemWaitClock().now() - transfer.startTick;
    const uint64_t percent = uint64_t{done} * 100 / total;
    const uint64_t rate = uint64_t{done} * 1000 / (uint64_t{elapsed} + 1);
    transfer.host->SetStatusText(QString::fromStdString(
        FormatText(IDS_PROGRESS, static_cast<unsigned>(percent),
                   static_cast<unsigned>(std::min<uint64_t>(rate, UINT32_MAX)))));
    PumpMessages();
}

MsgResult Ask(AcquisitionHost& host, const QString& text, MsgResult defaultButton) {
    FlashIfInactive(host.Window());
    return ShowMessageBox(host.Window(), text, MsgIcon::Warning, MsgButtons::YesNo, defaultButton);
}

// Leaves the image-load state; asks before giving up when the user stops it again or it fails.
void FinalLeave(CDeviceProtocol& protocol, AcquisitionHost& host) {
    for (;;) {
        try {
            LeaveImageLoad(protocol);
            return;
        } catch (const stop_exception&) {
            if (Ask(host, LoadText(IDS_ASK_ABORT_LEAVE), MsgResult::No) == MsgResult::Yes) return;
        } catch (const test_exception& e) {
            const QString text =
                QString::fromStdString(FormatText(IDS_ASK_RETRY_LEAVE, e.description().c_str()));
            if (Ask(host, text, MsgResult::Yes) == MsgResult::No) return;
        }
    }
}

// Video and SnapshotByTrigger go on until the user's stop or a failure ends them.
void RunMode(CDeviceProtocol& protocol, AcquisitionHost& host, int mode) {
    switch (mode) {
        case Snapshot: AcquireImage(protocol, host, host.SnapshotParameters()); break;
        case Video:
            for (;;) AcquireImage(protocol, host, host.VideoParameters());
        case SnapshotByTrigger:
            for (;;) {
                // The waiting text stays until the first progress text replaces it.
                ResetTrigger(protocol);
                host.SetStatusText(LoadText(IDS_WAITING_TRIGGER));
                WaitForTrigger(protocol);
                AcquireImage(protocol, host, host.SnapshotParameters());
            }
        case VideoByTrigger:
        case VideoThenSnapshotByTrigger:
            ResetTrigger(protocol);
            while (!IsTriggerPressed(protocol))
                AcquireImage(protocol, host, host.VideoParameters());
            if (mode == VideoThenSnapshotByTrigger)
                AcquireImage(protocol, host, host.SnapshotParameters());
            break;
        default: break;  // an unknown mode acquires nothing
    }
}

}  // namespace

std::optional<uint8_t> RunAcquisitionOnPort(AcquisitionHost& host,
                                            const ConnectionSettings& connection) {
    DeviceLink link(connection);
    CDeviceProtocol& protocol = link.Protocol();
    if (!CheckLink(protocol)) CheckStatus(RESULT_NO_LINK);

    const uint8_t saved = RaiseDeviceBaudIndex(protocol);
    RunAcquisition(protocol, host);
    if (protocol.PortLost()) return std::nullopt;  // already reported; nothing to restore
    SetDeviceBaudIndex(protocol, saved, SpeedCommand::Optional);

    const uint8_t finalIndex = BaudRateToIndex(link.Port().GetBaudRate());
    FlashIfInactive(host.Window());
    return finalIndex;
}

void RunAcquisition(CDeviceProtocol& protocol, AcquisitionHost& host) {
    bool leaveDue = false;
    try {
        CheckImageSupport(protocol);
        LeaveImageLoad(protocol);  // nothing left over from an earlier run
        leaveDue = true;
        RunMode(protocol, host, std::max(host.SelectedMode(), 0));
    } catch (...) {
        ReportFailure(host.Window());
    }
    if (leaveDue && !protocol.PortLost()) FinalLeave(protocol, host);
}

void AcquireImage(CDeviceProtocol& protocol, AcquisitionHost& host, const ImageParameters& params) {
    RequestImage(protocol, params);
    const ImageLocation where = LocateImage(protocol);
    // Received straight into the buffer the held image keeps, so saving costs no copy.
    ReceivedImage image;
    image.bytes = QByteArray(static_cast<qsizetype>(where.size), Qt::Uninitialized);
    auto* bytes = reinterpret_cast<uint8_t*>(image.bytes.data());

    Transfer transfer{&host, SystemWaitClock().now()};
    CheckStatus(protocol.ReadMemory(where.address, bytes, where.size, ShowTransferProgress,
                                    &transfer, kMemoryChunk));
    image.arrival = QDateTime::currentDateTime();

    if (DecodeImage(image.picture, bytes, where.size)) {
        image.type = ReceivedFileType(image.bytes);
        host.ShowImage(image);
        PumpMessages();  // paint it now, the next image may take a while
    }
}
