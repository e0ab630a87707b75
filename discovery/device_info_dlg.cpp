#include "discovery/device_info_dlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <algorithm>

#include "core/run_loop.h"
#include "core/ui_text.h"
#include "ui/dialog_units.h"
#include "ui/error_reporter.h"

CDeviceInfoDlg::CDeviceInfoDlg(CDeviceProtocol& protocol, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_protocol(&protocol) {
    // No caption bar, but the window still has a name for assistive tools and task lists.
    setWindowTitle(UiText(IDS_DEVICE_INFO_TITLE));
    const DialogUnits units;
    m_label = new QLabel(UiText(IDS_READING_DEVICE_INFO), this);
    // The designed width, or more when the font needs it to show the whole text.
    const int labelWidth = std::max(units.X(140), m_label->sizeHint().width());
    m_label->setGeometry(units.X(4), units.Y(4), labelWidth, units.Y(12));
    setFixedSize(labelWidth + units.X(8), units.Y(20));
    m_label->setAccessibleName(m_label->text());
    setAccessibleDescription(m_label->text());
}

// The read takes the only thread, so it waits for the first paint: queued behind it, it begins
// once the painted window has gone to the screen.
void CDeviceInfoDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (!m_startPending) return;
    m_startPending = false;
    QMetaObject::invokeMethod(this, &CDeviceInfoDlg::StartRead, Qt::QueuedConnection);
}

void CDeviceInfoDlg::StartRead() {
    // Closed before the read began: the device is left alone.
    if (!isVisible() || m_reading) return;
    m_reading = true;
    bool read = false;
    try {
        OperationScope scope;
        ReadDeviceIdentity(*m_protocol, m_identity);
        read = true;
    } catch (...) {
        ReportCurrentException();
    }
    m_reading = false;
    done(read ? Accepted : Rejected);
}

// The read cannot be abandoned halfway: it is asked to stop and ends the dialog when it has.
void CDeviceInfoDlg::StopRead() { PostStopRequest(0); }

void CDeviceInfoDlg::accept() {}

void CDeviceInfoDlg::reject() {
    if (m_reading) {
        StopRead();
        return;
    }
    m_startPending = false;
    QDialog::reject();
}

void CDeviceInfoDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}
