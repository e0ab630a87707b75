#pragma once
// The acquisition run behind the Start command: find the scanner, raise the line to 115200 baud,
// acquire images in the selected mode, then take the device out of its image-load state and put
// its speed back.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "device/connection_settings.h"
#include "device/image_parameters.h"

class CDeviceProtocol;
class QWidget;
struct ReceivedImage;

enum AcquisitionMode : int {
    Snapshot = 0,
    Video = 1,
    SnapshotByTrigger = 2,
    VideoByTrigger = 3,
    VideoThenSnapshotByTrigger = 4,
};

// What a run needs from the window it runs in. Everything is read afresh for every image, so
// parameters applied during a run take effect with the next image.
class AcquisitionHost {
public:
    virtual ~AcquisitionHost() = default;
    virtual int SelectedMode() const = 0;  // -1 when the mode list has no selection
    virtual ImageParameters SnapshotParameters() const = 0;
    virtual ImageParameters VideoParameters() const = 0;
    virtual void SetStatusText(const QString& text) = 0;
    // Every image that decodes, with the bytes it was decoded from.
    virtual void ShowImage(const ReceivedImage& image) = 0;
    virtual QWidget* Window() = 0;  // owner of the run's questions
};

// Opens the port, finds the device, runs the acquisition at 115200 baud and restores the
// device's speed, also when a stop or failure ends the raise. Returns the speed index the port is
// left at; nothing when the port vanished during the run (reported once, nothing restored).
// Throws what the run did not report itself (port failures, no device, the user's stop while
// the speed is restored, ...).
std::optional<uint8_t> RunAcquisitionOnPort(AcquisitionHost& host,
                                            const ConnectionSettings& connection);

// The selected mode between the image-interface check and the final leave of the image-load
// state. Reports the mode's own failures; asks before giving up the final leave.
void RunAcquisition(CDeviceProtocol& protocol, AcquisitionHost& host);

// One image from request to display.
void AcquireImage(CDeviceProtocol& protocol, AcquisitionHost& host, const ImageParameters& params);
