#include "discovery/device_search_dlg.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/dialog_units.h"
#include "app/error_reporter.h"
#include "app/string_table.h"
#include "device/baud_rate.h"
#include "device/com_device.h"
#include "device/device_commands.h"
#include "device/device_identity.h"
#include "device/packet_protocol.h"
#include "discovery/serial_ports.h"
#include "imaging/run_loop.h"

namespace {

constexpr uint32_t kProbeTimeoutMs = 100;
constexpr int kRefreshPeriodMs = 1000;
constexpr int kSpeedRole = Qt::UserRole;  // item data: speed index of an answer, -1 otherwise

QString Text(int id) { return QString::fromUtf8(LoadText(id)); }

}  // namespace

CDeviceSearchDlg::CDeviceSearchDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Text(IDS_SEARCH_TITLE));
    const DialogUnits units;
    setFixedSize(units.Size(344, 141));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::number(IDC_LIST));
    m_list->setGeometry(units.Rect(4, 4, 272, 132));
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setAllColumnsShowFocus(true);
    m_list->setAccessibleName(Text(IDS_SEARCH_TITLE));
    m_list->setAccessibleDescription(Text(IDS_DESC_SEARCH_LIST));

    m_start = new QPushButton(Text(IDS_BUTTON_START_SEARCH), this);
    m_start->setObjectName(QString::number(IDC_START));
    m_start->setGeometry(units.Rect(280, 4, 60, 14));
    m_stop = new QPushButton(Text(IDS_BUTTON_ABORT), this);
    m_stop->setObjectName(QString::number(IDC_STOP));
    m_stop->setGeometry(units.Rect(280, 20, 60, 14));
    setTabOrder(m_list, m_start);
    setTabOrder(m_start, m_stop);

    connect(m_start, &QPushButton::clicked, this, &CDeviceSearchDlg::OnStart);
    connect(m_stop, &QPushButton::clicked, this, &CDeviceSearchDlg::OnStop);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });

    CreateColumns();
    RefreshRows();
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &CDeviceSearchDlg::OnTimer);
    m_timer->start(kRefreshPeriodMs);
    UpdateButtons();
    m_start->setFocus(Qt::OtherFocusReason);
}

QWidget* CDeviceSearchDlg::Control(int id) const {
    switch (id) {
        case IDC_LIST: return m_list;
        case IDC_START: return m_start;
        case IDC_STOP: return m_stop;
        default: return nullptr;
    }
}

// Port and speed take a fifth of the client width each, the state the rest.
void CDeviceSearchDlg::CreateColumns() {
    m_list->setColumnCount(3);
    QTreeWidgetItem* header = m_list->headerItem();
    header->setText(kColumnPort, Text(IDS_COLUMN_PORT));
    header->setText(kColumnSpeed, Text(IDS_COLUMN_SPEED));
    header->setText(kColumnState, Text(IDS_COLUMN_STATE));
    header->setTextAlignment(kColumnSpeed, Qt::AlignRight | Qt::AlignVCenter);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setSectionsMovable(false);
    const int w = m_list->width() - 2 * m_list->frameWidth();
    const int b = w * 20 / 100;
    m_list->setColumnWidth(kColumnPort, b);
    m_list->setColumnWidth(kColumnSpeed, b);
    m_list->setColumnWidth(kColumnState, w - 2 * b);
}

// Rows stay in ascending text order of their port names.
QTreeWidgetItem* CDeviceSearchDlg::AddRow(const QString& port) {
    int position = 0;
    while (position < m_list->topLevelItemCount() &&
           m_list->topLevelItem(position)->text(kColumnPort) <= port) {
        ++position;
    }
    auto* row = new QTreeWidgetItem;
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setText(kColumnPort, port);
    row->setTextAlignment(kColumnSpeed, Qt::AlignRight | Qt::AlignVCenter);
    row->setData(kColumnPort, kSpeedRole, -1);
    row->setCheckState(kColumnPort, Qt::Checked);
    m_list->insertTopLevelItem(position, row);
    return row;
}

// Rows of ports the system no longer has go, selected or not; new ports get a ticked row.
void CDeviceSearchDlg::RefreshRows() {
    QStringList ports = EnumerateSerialPorts();
    for (int i = m_list->topLevelItemCount() - 1; i >= 0; --i) {
        const qsizetype found = ports.indexOf(m_list->topLevelItem(i)->text(kColumnPort));
        if (found >= 0)
            ports.removeAt(found);
        else
            delete m_list->takeTopLevelItem(i);
    }
    for (const QString& port : ports) AddRow(port);
}

void CDeviceSearchDlg::OnTimer() {
    if (!m_searching) RefreshRows();
}

void CDeviceSearchDlg::UpdateButtons() {
    // Enable before disabling, so the focus can move to the button that stays usable.
    QPushButton* active = m_searching ? m_stop : m_start;
    QPushButton* inactive = m_searching ? m_start : m_stop;
    const bool hadFocus = focusWidget() == inactive || focusWidget() == nullptr;
    active->setEnabled(true);
    if (hadFocus) active->setFocus(Qt::OtherFocusReason);
    inactive->setEnabled(false);
}

void CDeviceSearchDlg::OnStart() {
    if (m_searching) return;
    m_searching = true;
    UpdateButtons();
    try {
        RunSearch();
    } catch (...) {
        ReportCurrentException(false);
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
            row->setText(kColumnState, Text(IDS_SEARCH_STOPPED));
            ReportCurrentException(false);
            return;
        }
    }
}

// Probes one port at every speed, lowest first, until a device answers. The port is closed on
// every way out.
void CDeviceSearchDlg::SearchRow(QTreeWidgetItem* row) {
    CComDevice port;
    OpenComPort(port, row->text(kColumnPort).toStdString(), kFallbackBaudIndex, kProbeTimeoutMs);
    CDeviceProtocol protocol;
    protocol.Attach(&port);
    row->setText(kColumnState, Text(IDS_SEARCHING));
    PumpMessages();

    for (uint8_t index = 0; index < kBaudIndexCount; ++index) {
        const uint32_t rate = BaudIndexToRate(index);
        row->setText(kColumnSpeed, QString::number(rate));
        PumpMessages();
        port.SetBaudRate(rate);
        uint8_t deviceCode = 0;
        if (Ping(protocol, &deviceCode)) {
            row->setText(kColumnState, QString::fromStdString(DeviceName(deviceCode)));
            row->setData(kColumnPort, kSpeedRole, index);
            return;
        }
    }
    row->setText(kColumnState, Text(IDS_NOT_FOUND));
}

// A closing request during a search stops it and is carried out afterwards; a later request
// replaces an earlier one.
void CDeviceSearchDlg::Defer(PendingAction action) {
    m_pendingAction = action;
    PostStopRequest(0);
}

void CDeviceSearchDlg::reject() {
    if (m_searching)
        Defer(PendingAction::Cancel);
    else
        QDialog::reject();
}

void CDeviceSearchDlg::accept() {
    if (m_searching)
        Defer(PendingAction::Accept);
    else
        AcceptSelection();
}

void CDeviceSearchDlg::AcceptSelection() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        QDialog::reject();
        return;
    }
    m_foundPort = selected.first()->text(kColumnPort).toStdString();
    m_foundSpeedIndex = selected.first()->data(kColumnPort, kSpeedRole).toInt();
    QDialog::accept();
}

void CDeviceSearchDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

// Enter on a button presses it; anywhere else it is the dialog's OK.
void CDeviceSearchDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                       (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && !qobject_cast<QPushButton*>(focusWidget())) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
