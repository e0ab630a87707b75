#include "discovery/connect_page.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <optional>

#include "app/dialog_units.h"
#include "app/error_reporter.h"
#include "app/message_box.h"
#include "app/string_table.h"
#include "app/ui_helpers.h"
#include "device/baud_rate.h"
#include "device/com_device.h"
#include "device/device_commands.h"
#include "device/device_identity.h"
#include "device/link_control.h"
#include "device/packet_protocol.h"
#include "discovery/device_info_dlg.h"
#include "discovery/device_info_text.h"
#include "discovery/device_search_dlg.h"
#include "discovery/serial_ports.h"

namespace {

constexpr int kRefreshPeriodMs = 1000;

QString Text(int id) { return QString::fromUtf8(LoadText(id)); }

// A label's text as the accessible name of its field: without the closing colon.
QString FieldName(int labelId) {
    QString name = Text(labelId);
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    return name;
}

// The speed to open a port at: an index outside the table (none chosen) gives 9600 bit/s.
uint8_t OpenIndex(int speedIndex) {
    return speedIndex >= 0 && speedIndex <= kMaxBaudIndex ? static_cast<uint8_t>(speedIndex)
                                                          : kFallbackBaudIndex;
}

// Decimal digits as an unsigned number; nothing when there are none, the maximum when the
// number does not fit (it is out of range either way).
std::optional<uint64_t> ParseDigits(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    uint64_t value = 0;
    for (QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = std::min<uint64_t>(value * 10 + (c.unicode() - '0'), UINT64_C(1) << 33);
    }
    return value;
}

}  // namespace

CConnectPage::CConnectPage(QWidget* parent) : QWidget(parent) {
    setWindowTitle(Text(IDS_PAGE_CONNECTION));
    const DialogUnits units;
    setMinimumSize(units.Size(220, 109));

    auto* group = new QGroupBox(Text(IDS_GROUP_PARAMETERS), this);
    group->setGeometry(units.Rect(4, 4, 116, 64));

    m_portList = AddList(IDC_PORT, IDS_LABEL_PORT, 16, 125);
    m_speedList = AddList(IDC_SPEED, IDS_LABEL_SPEED, 32, 110);
    for (uint8_t index = 0; index < kBaudIndexCount; ++index)
        m_speedList->addItem(QString::number(BaudIndexToRate(index)));

    m_timeoutEdit = new QLineEdit(this);
    m_timeoutEdit->setObjectName(QString::number(IDC_TIMEOUT));
    m_timeoutEdit->setGeometry(units.Rect(64, 48, 48, 12));
    m_timeoutEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    auto* timeoutLabel = new QLabel(Text(IDS_LABEL_TIMEOUT), this);
    timeoutLabel->setGeometry(units.Rect(12, 48, 44, 12));
    timeoutLabel->setBuddy(m_timeoutEdit);
    m_timeoutEdit->setAccessibleName(FieldName(IDS_LABEL_TIMEOUT));

    m_checkLink = AddButton(IDC_CHECK_LINK, IDS_BUTTON_CHECK_LINK, 128, 8,
                            &CConnectPage::OnCheckLink);
    m_search = AddButton(IDC_SEARCH, IDS_BUTTON_SEARCH, 128, 24, &CConnectPage::OnSearch);
    m_setSpeed = AddButton(IDC_SET_SPEED, IDS_BUTTON_SET_SPEED, 128, 44,
                           &CConnectPage::OnSetSpeed);

    m_device = new QLineEdit(this);
    m_device->setObjectName(QString::number(IDC_DEVICE));
    m_device->setReadOnly(true);
    m_device->setGeometry(units.Rect(56, 76, 160, 12));
    auto* deviceLabel = new QLabel(Text(IDS_LABEL_DEVICE), this);
    deviceLabel->setGeometry(units.Rect(4, 76, 44, 12));
    deviceLabel->setBuddy(m_device);
    m_device->setAccessibleName(FieldName(IDS_LABEL_DEVICE));

    m_details = AddButton(IDC_DETAILS, IDS_BUTTON_DETAILS, 128, 92, &CConnectPage::OnDetails);

    QWidget* order[] = {m_portList, m_speedList, m_timeoutEdit, m_checkLink,
                        m_search,   m_setSpeed,  m_device,      m_details};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &CConnectPage::OnTimer);
}

QComboBox* CConnectPage::AddList(int id, int labelId, int y, int dropHeight) {
    const DialogUnits units;
    auto* list = new QComboBox(this);
    list->setObjectName(QString::number(id));
    list->setGeometry(units.Rect(64, y, 48, 12));
    // The open list's height, less the closed field: the number of items it shows.
    list->setMaxVisibleItems(std::max(1, (dropHeight - 12) / 8));
    auto* label = new QLabel(Text(labelId), this);
    label->setGeometry(units.Rect(12, y, 44, 12));
    label->setBuddy(list);
    list->setAccessibleName(FieldName(labelId));
    return list;
}

QPushButton* CConnectPage::AddButton(int id, int captionId, int x, int y,
                                     void (CConnectPage::*action)()) {
    auto* button = new QPushButton(Text(captionId), this);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);  // Enter belongs to the sheet's OK
    button->setGeometry(DialogUnits().Rect(x, y, 88, 14));
    button->setAccessibleName(button->text());
    connect(button, &QPushButton::clicked, this, action);
    return button;
}

QWidget* CConnectPage::Control(int id) const {
    switch (id) {
        case IDC_PORT: return m_portList;
        case IDC_TIMEOUT: return m_timeoutEdit;
        case IDC_SPEED: return m_speedList;
        case IDC_CHECK_LINK: return m_checkLink;
        case IDC_SEARCH: return m_search;
        case IDC_DETAILS: return m_details;
        case IDC_DEVICE: return m_device;
        case IDC_SET_SPEED: return m_setSpeed;
        default: return nullptr;
    }
}

void CConnectPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_initialised) Initialise();
}

// Shows the members once the owner has set them: the stored port only if the system has it,
// else the last port of the list.
void CConnectPage::Initialise() {
    m_initialised = true;
    LoadControls();
    RefreshPorts();
    const int stored = m_portList->findText(QString::fromStdString(m_portName),
                                            Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_portList->setCurrentIndex(stored >= 0 ? stored : m_portList->count() - 1);
    m_timer->start(kRefreshPeriodMs);
}

void CConnectPage::LoadControls() {
    SelectPort(QString::fromStdString(m_portName));
    m_speedList->setCurrentIndex(m_speedIndex >= 0 && m_speedIndex < m_speedList->count()
                                     ? m_speedIndex
                                     : -1);
    m_timeoutEdit->setText(QString::number(m_timeout));
}

// Selects the first item that begins with `name`, ignoring case; nothing found keeps the
// selection.
void CConnectPage::SelectPort(const QString& name) {
    const int found = m_portList->findText(name, Qt::MatchStartsWith);
    if (found >= 0) m_portList->setCurrentIndex(found);
}

bool CConnectPage::ReadBack() {
    m_portName = m_portList->currentIndex() >= 0 ? m_portList->currentText().toStdString()
                                                 : std::string();
    m_speedIndex = m_speedList->currentIndex();
    const std::optional<uint64_t> timeout = ParseDigits(m_timeoutEdit->text());
    if (!timeout) return RefuseTimeout(IDS_PARSE_UINT);
    if (*timeout < kMinTimeout || *timeout > kMaxTimeout) return RefuseTimeout(IDS_PARSE_INT_RANGE);
    m_timeout = static_cast<uint32_t>(*timeout);
    return true;
}

bool CConnectPage::RefuseTimeout(int messageId) {
    QString text = Text(messageId);
    if (messageId == IDS_PARSE_INT_RANGE) text = text.arg(kMinTimeout).arg(kMaxTimeout);
    ShowMessageBox(this, text, MsgIcon::Warning);
    m_timeoutEdit->setFocus(Qt::OtherFocusReason);
    m_timeoutEdit->selectAll();
    return false;
}

// Keeps the list equal to the system's ports, except that the selected port stays even after
// it has vanished, until another one is selected.
void CConnectPage::RefreshPorts() {
    const int current = m_portList->currentIndex();
    const QString selected = current >= 0 ? m_portList->itemText(current) : QString();
    QStringList ports = EnumerateSerialPorts();
    for (int i = m_portList->count() - 1; i >= 0; --i) {
        const QString text = m_portList->itemText(i);
        const qsizetype found = ports.indexOf(text);
        if (found >= 0)
            ports.removeAt(found);
        else if (current < 0 || text != selected)
            m_portList->removeItem(i);
    }
    for (const QString& port : ports) {
        int position = 0;
        while (position < m_portList->count() && m_portList->itemText(position) <= port)
            ++position;
        m_portList->insertItem(position, port);
    }
}

void CConnectPage::OnTimer() {
    if (!m_portList->view()->isVisible()) RefreshPorts();
}

// One ping at the chosen speed: the device's name, or "not found" when nothing answers.
void CConnectPage::OnCheckLink() {
    try {
        if (!ReadBack()) return;
        BusyCursor busy;
        CComDevice port;
        OpenComPort(port, m_portName, OpenIndex(m_speedIndex), m_timeout);
        CDeviceProtocol protocol;
        protocol.Attach(&port);
        uint8_t deviceCode = 0;
        m_device->setText(Ping(protocol, &deviceCode)
                              ? QString::fromStdString(DeviceName(deviceCode))
                              : Text(IDS_NOT_FOUND));
    } catch (...) {
        ReportCurrentException(false);
    }
}

// Talks to the device at the speed the page held before and moves it to the one chosen now.
void CConnectPage::OnSetSpeed() {
    try {
        const int oldIndex = m_speedIndex;
        if (!ReadBack()) return;
        BusyCursor busy;
        CComDevice port;
        OpenComPort(port, m_portName, OpenIndex(oldIndex), m_timeout);
        CDeviceProtocol protocol;
        protocol.Attach(&port);
        SetDeviceBaudIndex(protocol, static_cast<uint8_t>(m_speedIndex), false);
    } catch (...) {
        ReportCurrentException(false);
    }
}

// Takes over the port and speed of the row chosen in the search, if they are usable here.
void CConnectPage::OnSearch() {
    try {
        CDeviceSearchDlg search(this);
        if (search.exec() != QDialog::Accepted) return;
        const int speedIndex = search.FoundSpeedIndex();
        if (speedIndex < 0 || speedIndex >= m_speedList->count()) return;
        RefreshPorts();
        const int port = m_portList->findText(QString::fromStdString(search.FoundPort()),
                                              Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (port < 0) return;
        m_portList->setCurrentIndex(port);
        m_speedList->setCurrentIndex(speedIndex);
    } catch (...) {
        ReportCurrentException(false);
        return;
    }
    OnCheckLink();
}

// Reads the identity under its own small window and shows it in a box.
void CConnectPage::OnDetails() {
    try {
        if (!ReadBack()) return;
        CComDevice port;
        OpenComPort(port, m_portName, OpenIndex(m_speedIndex), m_timeout);
        CDeviceProtocol protocol;
        protocol.Attach(&port);
        CDeviceInfoDlg reading(protocol, this);
        if (reading.exec() != QDialog::Accepted) return;
        const QString text = QString::fromStdString(FormatDeviceInfo(reading.Identity()));
        FlashIfInactive(this);
        ShowCaptionedMessageBox(this, Text(IDS_DEVICE_INFO_TITLE), text, MsgIcon::Information);
    } catch (...) {
        ReportCurrentException(false);
    }
}
