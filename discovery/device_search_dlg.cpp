#include "discovery/device_search_dlg.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "core/run_loop.h"
#include "core/ui_text.h"
#include "device/serial_ports.h"
#include "ui/dialog_units.h"

namespace {

constexpr int kRefreshPeriodMs = 1000;

}  // namespace

CDeviceSearchDlg::CDeviceSearchDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(UiText(IDS_SEARCH_TITLE));
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
    m_list->setAccessibleName(UiText(IDS_SEARCH_TITLE));
    m_list->setAccessibleDescription(UiText(IDS_DESC_SEARCH_LIST));

    m_start = new QPushButton(UiText(IDS_BUTTON_START_SEARCH), this);
    m_start->setObjectName(QString::number(IDC_START));
    m_start->setGeometry(units.Rect(280, 4, 60, 14));
    m_stop = new QPushButton(UiText(IDS_BUTTON_ABORT), this);
    m_stop->setObjectName(QString::number(IDC_STOP));
    m_stop->setGeometry(units.Rect(280, 20, 60, 14));
    setTabOrder(m_list, m_start);
    setTabOrder(m_start, m_stop);

    connect(m_start, &QPushButton::clicked, this, &CDeviceSearchDlg::OnStart);
    connect(m_stop, &QPushButton::clicked, this, &CDeviceSearchDlg::OnStop);
    m_list->viewport()->installEventFilter(this);

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
    header->setText(kColumnPort, UiText(IDS_COLUMN_PORT));
    header->setText(kColumnSpeed, UiText(IDS_COLUMN_SPEED));
    header->setText(kColumnState, UiText(IDS_COLUMN_STATE));
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

// A double-click anywhere in the list is OK for the selected row, also below the last row. A
// press there leaves the selection alone (the list would clear it), so that it can be taken.
bool CDeviceSearchDlg::eventFilter(QObject* watched, QEvent* event) {
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (watched != m_list->viewport() || !press) return QDialog::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (event->type() == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton) accept();
    if (m_list->itemAt(mouse->position().toPoint())) return false;
    m_list->setFocus(Qt::MouseFocusReason);
    return true;
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
