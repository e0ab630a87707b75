#include "discovery/connect_page.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTimer>
#include <optional>

#include "core/ui_text.h"
#include "device/baud_rate.h"
#include "device/serial_ports.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"

namespace {

constexpr int kRefreshPeriodMs = 1000;

// A label's text as the accessible name of its field: without the closing colon.
QString FieldName(int labelId) {
    QString name = UiText(labelId);
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    return name;
}

// Decimal digits as an unsigned number; nothing when there are none. A number too long for
// 32 bits is capped just above that range, so it is refused as out of range.
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

// Port names here are device paths ("/dev/ttyUSB0"), longer than the short names the layout was
// drawn for: the three fields, and everything right of them, get this many units more.
constexpr int kWiden = 20;

}  // namespace

CConnectPage::CConnectPage(QWidget* parent) : QWidget(parent) {
    setWindowTitle(UiText(IDS_PAGE_CONNECTION));
    const DialogUnits units;
    setMinimumSize(units.Size(220 + kWiden, 109));

    auto* group = new QGroupBox(UiText(IDS_GROUP_PARAMETERS), this);
    group->setGeometry(units.Rect(4, 4, 116 + kWiden, 64));

    m_portList = AddList(IDC_PORT, IDS_LABEL_PORT, 16, 125);
    connect(m_portList, &QComboBox::currentTextChanged, m_portList, &QWidget::setToolTip);
    m_speedList = AddList(IDC_SPEED, IDS_LABEL_SPEED, 32, 110);
    for (uint8_t index = 0; index < kBaudIndexCount; ++index)
        m_speedList->addItem(QString::number(BaudIndexToRate(index)));

    m_timeoutEdit = new QLineEdit(this);
    m_timeoutEdit->setObjectName(QString::number(IDC_TIMEOUT));
    m_timeoutEdit->setGeometry(units.Rect(64, 48, 48 + kWiden, 12));
    m_timeoutEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    auto* timeoutLabel = new QLabel(UiText(IDS_LABEL_TIMEOUT), this);
    timeoutLabel->setGeometry(units.Rect(12, 48, 44, 12));
    timeoutLabel->setBuddy(m_timeoutEdit);
    m_timeoutEdit->setAccessibleName(FieldName(IDS_LABEL_TIMEOUT));

    m_checkLink = AddButton(IDC_CHECK_LINK, IDS_BUTTON_CHECK_LINK, 128 + kWiden, 8,
                            &CConnectPage::OnCheckLink);
    m_search = AddButton(IDC_SEARCH, IDS_BUTTON_SEARCH, 128 + kWiden, 24, &CConnectPage::OnSearch);
    m_setSpeed =
        AddButton(IDC_SET_SPEED, IDS_BUTTON_SET_SPEED, 128 + kWiden, 44, &CConnectPage::OnSetSpeed);

    m_device = new QLineEdit(this);
    m_device->setObjectName(QString::number(IDC_DEVICE));
    m_device->setReadOnly(true);
    m_device->setGeometry(units.Rect(56, 76, 160 + kWiden, 12));
    auto* deviceLabel = new QLabel(UiText(IDS_LABEL_DEVICE), this);
    deviceLabel->setGeometry(units.Rect(4, 76, 44, 12));
    deviceLabel->setBuddy(m_device);
    m_device->setAccessibleName(FieldName(IDS_LABEL_DEVICE));

    m_details =
        AddButton(IDC_DETAILS, IDS_BUTTON_DETAILS, 128 + kWiden, 92, &CConnectPage::OnDetails);

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
    list->setGeometry(units.Rect(64, y, 48 + kWiden, 12));
    // The open list's height, less the closed field: the number of items it shows.
    list->setMaxVisibleItems(std::max(1, (dropHeight - 12) / 8));
    auto* label = new QLabel(UiText(labelId), this);
    label->setGeometry(units.Rect(12, y, 44, 12));
    label->setBuddy(list);
    list->setAccessibleName(FieldName(labelId));
    return list;
}

QPushButton* CConnectPage::AddButton(int id, int captionId, int x, int y,
                                     void (CConnectPage::*action)()) {
    auto* button = new QPushButton(UiText(captionId), this);
    button->setObjectName(QString::number(id));
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
    const int stored = m_portList->findText(QString::fromStdString(m_settings.portName),
                                            Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_portList->setCurrentIndex(stored >= 0 ? stored : m_portList->count() - 1);
    m_timer->start(kRefreshPeriodMs);
}

void CConnectPage::LoadControls() {
    SelectPort(QString::fromStdString(m_settings.portName));
    m_speedList->setCurrentIndex(m_settings.speedIndex >= 0 &&
                                         m_settings.speedIndex < m_speedList->count()
                                     ? m_settings.speedIndex
                                     : -1);
    m_timeoutEdit->setText(QString::number(m_settings.timeoutMs));
}

// Selects the first item that begins with `name`, ignoring case; nothing found keeps the
// selection.
void CConnectPage::SelectPort(const QString& name) {
    const int found = m_portList->findText(name, Qt::MatchStartsWith);
    if (found >= 0) m_portList->setCurrentIndex(found);
}

bool CConnectPage::ReadBack() {
    const std::optional<uint64_t> timeout = ParseDigits(m_timeoutEdit->text());
    if (!timeout) return RefuseTimeout(IDS_PARSE_UINT);
    if (*timeout < kMinTimeoutMs || *timeout > kMaxTimeoutMs)
        return RefuseTimeout(IDS_PARSE_INT_RANGE);
    m_settings.portName =
        m_portList->currentIndex() >= 0 ? m_portList->currentText().toStdString() : std::string();
    m_settings.speedIndex = m_speedList->currentIndex();
    m_settings.timeoutMs = static_cast<int>(*timeout);
    return true;
}

bool CConnectPage::RefuseTimeout(int messageId) {
    QString text = UiText(messageId);
    if (messageId == IDS_PARSE_INT_RANGE) text = text.arg(kMinTimeoutMs).arg(kMaxTimeoutMs);
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
        while (position < m_portList->count() &&
               !PortNameLess(port, m_portList->itemText(position)))
            ++position;
        m_portList->insertItem(position, port);
    }
    // A list that was empty selects the first port put into it; the user has not chosen it.
    if (current < 0) m_portList->setCurrentIndex(-1);
    // Device paths are longer than the field: the open list shows them whole.
    QAbstractItemView* view = m_portList->view();
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() +
                          view->verticalScrollBar()->sizeHint().width());
}

void CConnectPage::OnTimer() {
    if (!m_portList->view()->isVisible()) RefreshPorts();
}
