#include "app/toolbar_dlg.h"

#include <QComboBox>
#include <QIcon>
#include <QPushButton>

#include "app/command_button.h"
#include "core/string_table.h"
#include "core/ui_text.h"
#include "resources/icon_resources.h"
#include "ui/dialog_units.h"

namespace {

// Layout in dialog units.
constexpr int kWidth = 228;
constexpr int kHeight = 14;
constexpr int kButtonWidth = 16;
constexpr int kModeListX = 108;
constexpr int kModeListWidth = 96;
constexpr int kIconSize = 16;

}  // namespace

CToolbarDlg::CToolbarDlg(QWidget* parent) : QWidget(parent) {
    LoadIconResources();
    setVisible(false);
    setAccessibleName(UiText(IDS_DESC_TOOLBAR));
    DialogUnits units;
    setFixedSize(units.Size(kWidth, kHeight));

    m_start = AddButton(IDC_START, IDS_BUTTON_START, ":/icons/start.svg", 0);
    m_stop = AddButton(IDC_STOP, IDS_BUTTON_STOP, ":/icons/stop.svg", 16);
    m_copy = AddButton(IDC_COPY, IDS_BUTTON_COPY, ":/icons/copy.svg", 40);
    m_save = AddButton(IDC_SAVE, IDS_BUTTON_SAVE, ":/icons/save.svg", 56);
    m_save->setToolTip(UiText(IDS_TIP_SAVE));
    m_settings = AddButton(IDC_SETTINGS, IDS_BUTTON_SETTINGS, ":/icons/settings.svg", 72);
    AddModeList();
    m_imageParams =
        AddButton(IDC_IMAGE_PARAMS, IDS_BUTTON_IMAGE_PARAMS, ":/icons/image_params.svg", 212);
    m_start->setDefault(true);

    setTabOrder(m_start, m_stop);
    setTabOrder(m_stop, m_copy);
    setTabOrder(m_copy, m_save);
    setTabOrder(m_save, m_settings);
    setTabOrder(m_settings, m_modeList);
    setTabOrder(m_modeList, m_imageParams);
}

QPushButton* CToolbarDlg::AddButton(int id, int captionId, const char* icon, int x) {
    QPushButton* button =
        id == IDC_IMAGE_PARAMS ? new CommandCheckButton(this) : new QPushButton(this);
    const QString caption = UiText(captionId);
    button->setIcon(QIcon(QString::fromLatin1(icon)));
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setToolTip(caption);
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setGeometry(DialogUnits().Rect(x, 0, kButtonWidth, kHeight));
    connect(button, &QPushButton::clicked, this, [this, id] { emit command(id); });
    return button;
}

void CToolbarDlg::AddModeList() {
    m_modeList = new QComboBox(this);
    // The list's tooltip is its selected entry, and empty while nothing is selected.
    connect(m_modeList, &QComboBox::currentIndexChanged, this,
            [this] { m_modeList->setToolTip(m_modeList->currentText()); });
    for (int id = IDS_MODE_SNAPSHOT; id <= IDS_MODE_VIDEO_SNAPSHOT_TRIGGER; ++id) {
        m_modeList->addItem(UiText(id));  // the first entry added becomes the selection
    }
    m_modeList->setAccessibleName(UiText(IDS_DESC_MODE_LIST));
    m_modeList->setAccessibleDescription(UiText(IDS_DESC_MODE_LIST));
    m_modeList->setFocusPolicy(Qt::StrongFocus);
    m_modeList->setGeometry(DialogUnits().Rect(kModeListX, 0, kModeListWidth, kHeight));
}

QWidget* CToolbarDlg::Control(int id) const {
    switch (id) {
        case IDC_START: return m_start;
        case IDC_STOP: return m_stop;
        case IDC_COPY: return m_copy;
        case IDC_SAVE: return m_save;
        case IDC_SETTINGS: return m_settings;
        case IDC_IMAGE_PARAMS: return m_imageParams;
        case IDC_MODE_LIST: return m_modeList;
        default: return nullptr;
    }
}

void CToolbarDlg::EnableControl(int id, bool enabled) {
    if (QWidget* control = Control(id)) control->setEnabled(enabled);
}

void CToolbarDlg::FocusControl(int id) {
    if (QWidget* control = Control(id)) control->setFocus(Qt::OtherFocusReason);
}

void CToolbarDlg::SetImageParamsChecked(bool checked) { m_imageParams->setChecked(checked); }

bool CToolbarDlg::IsImageParamsChecked() const { return m_imageParams->isChecked(); }

int CToolbarDlg::ModeSelection() const { return m_modeList->currentIndex(); }

void CToolbarDlg::SetModeSelection(int index) {
    m_modeList->setCurrentIndex(index >= 0 && index < m_modeList->count() ? index : -1);
}
