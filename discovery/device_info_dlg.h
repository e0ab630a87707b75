#pragma once
// The small pop-up under which the device's identity is read. The read starts by itself once
// the window has been painted, so it never stands blank while a silent device is waited for. Esc
// or closing the window stops it. Ends with Accepted when the identity was read (then Identity()
// holds it), Rejected otherwise.

#include <QDialog>

#include "device/device_identity.h"

class CDeviceProtocol;
class QLabel;

class CDeviceInfoDlg : public QDialog {
    Q_OBJECT

public:
    // `protocol` and its open channel must outlive the modal run.
    CDeviceInfoDlg(CDeviceProtocol& protocol, QWidget* parent);

    const DeviceIdentity& Identity() const { return m_identity; }
    bool IsReading() const { return m_reading; }

public slots:
    void accept() override;  // Enter: ignored
    void reject() override;  // Esc

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void StartRead();
    void StopRead();

    CDeviceProtocol* m_protocol;
    DeviceIdentity m_identity;
    bool m_reading = false;
    bool m_startPending = true;
    QLabel* m_label = nullptr;
};
