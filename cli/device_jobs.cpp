#include "cli/device_jobs.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "cli/transfer_bar.h"
#include "core/exception_text.h"
#include "core/run_loop.h"
#include "core/string_table.h"
#include "device/baud_rate.h"
#include "device/device_commands.h"
#include "device/device_identity.h"
#include "device/device_info_text.h"
#include "device/device_link.h"
#include "device/image_area.h"
#include "device/link_control.h"
#include "settings/atomic_file.h"

namespace {

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

QJsonValue Text(const std::string& text) { return QString::fromStdString(text); }

QJsonObject IdentityJson(const DeviceIdentity& id) {
    const bool fw = id.firmwareInfoValid;
    auto firmware = [fw](uint16_t version) {
        return fw ? Text(FormatVersion(version)) : QJsonValue();
    };
    QJsonObject object;
    object["deviceCode"] = id.deviceCode;
    object["deviceType"] = Text(DeviceName(id.deviceCode));
    object["serialNumber"] = fw && id.serialNumber != 0xFFFFFFFF
                                 ? QJsonValue(static_cast<qint64>(id.serialNumber))
                                 : QJsonValue();
    const CalendarDate& date = id.productionDate;
    char iso[16];
    std::snprintf(iso, sizeof iso, "%04i-%02i-%02i", date.year, date.month, date.day);
    object["productionDate"] = fw && date.valid ? QJsonValue(iso) : QJsonValue();
    object["hardwareVersions"] =
        QJsonObject{{"atmega", Text(FormatVersion(id.atmegaHardwareVersion))},
                    {"blackfin", Text(FormatVersion(id.blackfinHardwareVersion))}};
    object["loaderVersions"] =
        QJsonObject{{"atmega", Text(FormatVersion(id.atmegaLoaderVersion))},
                    {"blackfin", Text(FormatVersion(id.blackfinLoaderVersion))}};
    object["firmwareVersions"] =
        QJsonObject{{"atmega", firmware(id.atmegaFirmwareVersion)},
                    {"blackfin", firmware(id.blackfinFirmwareVersion)},
                    {"blackfinExtended", firmware(id.blackfinExtendedVersion)}};
    return object;
}

[[noreturn]] void ThrowWriteFailure(const std::string& name, int error) {
    throw std::runtime_error(FormatText(IDS_CLI_WRITE_FAILED, name.c_str(), std::strerror(error)));
}

// The whole image or nothing: a file appears under its name only once it is complete.
void WriteImage(const std::string& path, const std::vector<uint8_t>& data) {
    if (path == "-") {
        if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() ||
            std::fflush(stdout) != 0)
            ThrowWriteFailure(path, errno);
        return;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    if (!WriteFileAtomically(path, bytes)) ThrowWriteFailure(path, errno);
}

// By what the device sent, whatever was asked for.
const char* Extension(const std::vector<uint8_t>& data, int requestedFormat) {
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return "bmp";
    if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8) return "jpg";
    return requestedFormat == 0 ? "bmp" : "jpg";
}

struct Transfer {
    TransferBar* bar;
};

void ShowProgress(const uint8_t*, uint32_t done, uint32_t total, void* context) {
    static_cast<Transfer*>(context)->bar->Update(done, total);
    PumpMessages();  // where a Ctrl-C ends the transfer
}

std::vector<uint8_t> AcquireImage(CDeviceProtocol& protocol, const ImageParameters& params,
                                  TransferBar& bar) {
    RequestImage(protocol, params);
    const ImageLocation where = LocateImage(protocol);
    std::vector<uint8_t> buffer(where.size);
    Transfer transfer{&bar};
    bar.Start();
    CheckStatus(protocol.ReadMemory(where.address, buffer.data(), where.size, ShowProgress,
                                    &transfer, kMemoryChunk));
    bar.Finish();
    PumpMessages();  // a stop that came with the last block keeps the image off the disk
    return buffer;
}

void WaitForTriggerShown(CDeviceProtocol& protocol, TransferBar& bar) {
    ResetTrigger(protocol);
    bar.Status(LoadText(IDS_WAITING_TRIGGER));
    WaitForTrigger(protocol);
    bar.Finish();
}

void RunMode(CDeviceProtocol& protocol, const ImageJob& job, TransferBar& bar) {
    if (!job.video) {
        if (job.trigger) WaitForTriggerShown(protocol, bar);
        WriteImage(job.output, AcquireImage(protocol, job.params, bar));
        return;
    }
    errno = 0;
    if (!QDir().mkpath(QString::fromStdString(job.directory)))
        ThrowWriteFailure(job.directory, errno ? errno : EACCES);
    if (job.trigger) ResetTrigger(protocol);
    for (int frame = 1; job.frames == 0 || frame <= job.frames; ++frame) {
        if (job.trigger && IsTriggerPressed(protocol)) break;
        const std::vector<uint8_t> image = AcquireImage(protocol, job.params, bar);
        char name[40];
        std::snprintf(name, sizeof name, "frame-%06d.%s", frame,
                      Extension(image, job.params.ImageFormat));
        WriteImage(QDir(QString::fromStdString(job.directory)).filePath(name).toStdString(), image);
        std::printf("%s\n", name);
        std::fflush(stdout);
    }
}

enum class Outcome { Done, Failed, Stopped };

// Notes the exception in flight: a stop stays a stop, the first failure is told.
void Note(Outcome& outcome) {
    try {
        throw;
    } catch (const stop_exception&) {
        outcome = Outcome::Stopped;
    } catch (...) {
        if (const auto text = DescribeCurrentException()) PrintError(*text);
        if (outcome == Outcome::Done) outcome = Outcome::Failed;
    }
}

// The leave after the run. A stop during it gives up at once (the window asks first); a failure
// is told, not retried, as there is nobody to ask.
void FinalLeave(CDeviceProtocol& protocol, Outcome& outcome) {
    try {
        LeaveImageLoad(protocol);
    } catch (...) {
        Note(outcome);
    }
}

}  // namespace

void PrintError(const std::string& text) {
    std::fprintf(stderr, "veltor-cli: %s\n", WithoutCarriageReturns(text).c_str());
    std::fflush(stderr);
}

void RunInfo(const ConnectionSettings& connection, bool json) {
    DeviceLink link(connection);
    DeviceIdentity identity;
    ReadDeviceIdentity(link.Protocol(), identity);
    if (json) {
        std::printf("%s", QJsonDocument(IdentityJson(identity)).toJson().constData());
    } else {
        std::printf("%s", WithoutCarriageReturns(FormatDeviceInfo(identity)).c_str());
    }
}

void RunSetSpeed(const ConnectionSettings& connection, int target) {
    DeviceLink link(connection);
    SetDeviceBaudIndex(link.Protocol(), static_cast<uint8_t>(target), SpeedCommand::Required);
    std::printf("%u\n", BaudIndexToRate(static_cast<uint8_t>(target)));
}

int RunImages(const ConnectionSettings& connection, const ImageJob& job, TransferBar& bar) {
    DeviceLink link(connection);
    CDeviceProtocol& protocol = link.Protocol();
    if (!CheckLink(protocol)) CheckStatus(RESULT_NO_LINK);

    const uint8_t saved = RaiseDeviceBaudIndex(protocol);

    Outcome outcome = Outcome::Done;
    bool leaveDue = false;
    try {
        CheckImageSupport(protocol);
        LeaveImageLoad(protocol);  // nothing left over from an earlier run
        leaveDue = true;
        RunMode(protocol, job, bar);
    } catch (...) {
        bar.Finish();
        Note(outcome);
    }
    if (leaveDue && !protocol.PortLost()) FinalLeave(protocol, outcome);
    if (!protocol.PortLost()) {
        try {
            SetDeviceBaudIndex(protocol, saved, SpeedCommand::Optional);
        } catch (...) {
            Note(outcome);
        }
    }
    switch (outcome) {
        case Outcome::Done: return 0;
        case Outcome::Failed: return 1;
        case Outcome::Stopped: break;
    }
    return 130;
}
