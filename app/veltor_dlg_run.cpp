// The Start command: one acquisition run under the busy protocol.

#include <QLabel>

#include "app/acquisition.h"
#include "app/veltor_dlg.h"
#include "core/run_loop.h"
#include "ui/error_reporter.h"

void CVeltorDlg::OnStart() {
    m_busy = true;
    UpdateControls(Focus::KeepUnlessDisabled);
    try {
        OperationScope operation;  // Stop, Esc and close reach the run from here on
        if (const auto index = RunAcquisitionOnPort(*this, m_connection))
            m_connection.speedIndex = *index;
    } catch (...) {
        ReportFailure(this);
    }
    m_statusLine->clear();
    m_busy = false;
    UpdateControls(Focus::KeepUnlessDisabled);
    if (m_closePending) CloseIfIdle();
}
