#include "app/image_properties_dlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>

#include "core/string_table.h"
#include "core/ui_text.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"

namespace {

// Layout in dialog units.
constexpr int kWidth = 132;
constexpr int kHeight = 188;
constexpr int kFieldX = 84;
constexpr int kFieldWidth = 44;
constexpr int kEditHeight = 12;
constexpr int kListHeight = 14;

// A label's text as the accessible name of its field: without the closing colon.
QString FieldName(int labelId) {
    QString name = UiText(labelId);
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    return name;
}

// Reads a number the way the dialog's fields always have: blanks, an optional sign, then
// decimal digits; text after them is ignored. Nothing when no digit follows. The value
// saturates at the 32-bit range, as the original 32-bit reading did.
std::optional<int64_t> LeadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i++] == QLatin1Char('-');
    }
    constexpr int64_t kLimit = int64_t{1} << 32;
    int64_t value = 0;
    qsizetype digits = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = std::min(kLimit, value * 10 + (text[i].unicode() - '0'));
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    value = negative ? -value : value;
    return std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                               std::numeric_limits<int32_t>::max());
}

// A signed 16-bit field: a number outside the range keeps its low 16 bits (65535 gives -1).
std::optional<int16_t> ReadInt16(const QLineEdit* edit) {
    auto value = LeadingNumber(edit->text());
    if (!value) return std::nullopt;
    return static_cast<int16_t>(static_cast<uint16_t>(*value & 0xFFFF));
}

// An unsigned 8-bit field. A negative number is refused rather than wrapped.
std::optional<uint8_t> ReadByte(const QLineEdit* edit) {
    auto value = LeadingNumber(edit->text());
    if (!value || *value < 0 || *value > 255) return std::nullopt;
    return static_cast<uint8_t>(*value);
}

}  // namespace

CImagePropertiesDlg::CImagePropertiesDlg(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(UiText(IDS_BUTTON_IMAGE_PARAMS));
    const DialogUnits units;
    setFixedSize(units.Size(kWidth, kHeight));

    m_modeList =
        AddList(IDC_MODE_LIST, IDS_MODE_SNAPSHOT, IDS_MODE_VIDEO, 4, IDS_LABEL_ACQ_MODE, 68);
    auto* topLine = new QFrame(this);
    topLine->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    topLine->setGeometry(units.Rect(4, 25, 124, 1));
    m_format = AddList(IDC_FORMAT, IDS_FORMAT_BMP, IDS_FORMAT_JPEG, 33, IDS_LABEL_FORMAT, 32);
    m_width = AddEdit(IDC_WIDTH, 52, IDS_LABEL_WIDTH);
    m_height = AddEdit(IDC_HEIGHT, 68, IDS_LABEL_HEIGHT);
    m_subsampling = AddEdit(IDC_SUBSAMPLING, 89, IDS_LABEL_SUBSAMPLING);
    m_jpegQuality = AddEdit(IDC_JPEG_QUALITY, 105, IDS_LABEL_JPEG_QUALITY);
    auto* bottomLine = new QFrame(this);
    bottomLine->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bottomLine->setGeometry(units.Rect(4, 124, 124, 1));
    AddAutoSaveControls(130);
    auto* lastLine = new QFrame(this);
    lastLine->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    lastLine->setGeometry(units.Rect(4, 160, 124, 1));

    m_apply = new QPushButton(UiText(IDS_BUTTON_APPLY), this);
    m_apply->setGeometry(units.Rect(40, 168, 50, 14));
    m_apply->setDefault(true);  // Enter applies
    connect(m_apply, &QPushButton::clicked, this, &CImagePropertiesDlg::Apply);

    QWidget* order[] = {m_modeList,    m_format,    m_width,      m_height, m_subsampling,
                        m_jpegQuality, m_saveEvery, m_saveFolder, m_browse, m_apply};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    TransferToControls();
    connect(m_modeList, &QComboBox::currentIndexChanged, this, &CImagePropertiesDlg::loadRequested);
}

QLabel* CImagePropertiesDlg::AddLabel(int textId, QWidget* buddy, int y, int width, int height) {
    auto* label = new QLabel(UiText(textId), this);
    label->setBuddy(buddy);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setGeometry(DialogUnits().Rect(4, y, width, height));
    buddy->setAccessibleName(FieldName(textId));
    return label;
}

QComboBox* CImagePropertiesDlg::AddList(int id, int firstText, int lastText, int y, int labelId,
                                        int labelWidth) {
    auto* list = new QComboBox(this);
    list->setObjectName(QString::number(id));
    for (int text = firstText; text <= lastText; ++text) list->addItem(UiText(text));
    list->setFocusPolicy(Qt::StrongFocus);
    list->setGeometry(DialogUnits().Rect(kFieldX, y, kFieldWidth, kListHeight));
    AddLabel(labelId, list, y, labelWidth, kListHeight);
    return list;
}

QLineEdit* CImagePropertiesDlg::AddEdit(int id, int y, int labelId) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::number(id));
    edit->setGeometry(DialogUnits().Rect(kFieldX, y, kFieldWidth, kEditHeight));
    AddLabel(labelId, edit, y, 72, kEditHeight);
    return edit;
}

QWidget* CImagePropertiesDlg::Control(int id) const {
    switch (id) {
        case IDC_APPLY: return m_apply;
        case IDC_MODE_LIST: return m_modeList;
        case IDC_FORMAT: return m_format;
        case IDC_WIDTH: return m_width;
        case IDC_HEIGHT: return m_height;
        case IDC_SUBSAMPLING: return m_subsampling;
        case IDC_JPEG_QUALITY: return m_jpegQuality;
        case IDC_SAVE_EVERY: return m_saveEvery;
        case IDC_SAVE_FOLDER: return m_saveFolder;
        case IDC_BROWSE: return m_browse;
        default: return nullptr;
    }
}

int CImagePropertiesDlg::ModeSelection() const { return m_modeList->currentIndex(); }

void CImagePropertiesDlg::SetParameters(const ImageParameters& parameters) {
    m_parameters = parameters;
    TransferToControls();
}

void CImagePropertiesDlg::TransferToControls() {
    const int format = m_parameters.ImageFormat;
    m_format->setCurrentIndex(format >= 0 && format < m_format->count() ? format : -1);
    m_width->setText(QString::number(m_parameters.ViewWidth));
    m_height->setText(QString::number(m_parameters.ViewHeight));
    m_subsampling->setText(QString::number(m_parameters.SubsamplingCoeff));
    m_jpegQuality->setText(QString::number(m_parameters.JpegQuality));
}

// Reads the fields in order into `parameters`. At the first field that cannot be read, tells
// the user why, puts the focus on it with its text selected, and returns false.
bool CImagePropertiesDlg::TransferFromControls(ImageParameters& parameters) {
    auto refuse = [this](QLineEdit* edit, int messageId) {
        ShowMessageBox(this, UiText(messageId), MsgIcon::Warning);
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        return false;
    };
    parameters.ImageFormat = m_format->currentIndex();
    auto width = ReadInt16(m_width);
    if (!width) return refuse(m_width, IDS_PARSE_INT);
    auto height = ReadInt16(m_height);
    if (!height) return refuse(m_height, IDS_PARSE_INT);
    auto subsampling = ReadByte(m_subsampling);
    if (!subsampling) return refuse(m_subsampling, IDS_PARSE_BYTE);
    auto quality = ReadByte(m_jpegQuality);
    if (!quality) return refuse(m_jpegQuality, IDS_PARSE_BYTE);
    parameters.ViewWidth = *width;
    parameters.ViewHeight = *height;
    parameters.SubsamplingCoeff = *subsampling;
    parameters.JpegQuality = *quality;
    return true;
}

// The working record changes only when every field reads, so a refused Apply leaves it whole.
void CImagePropertiesDlg::Apply() {
    ImageParameters parameters = m_parameters;
    if (!TransferFromControls(parameters)) return;
    AutoSaveSetting autoSave;
    if (!TransferAutoSave(autoSave)) return;
    m_parameters = parameters;
    m_autoSave = autoSave;
    emit applyRequested();
}

void CImagePropertiesDlg::reject() { emit hideRequested(); }

void CImagePropertiesDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit hideRequested();
}
