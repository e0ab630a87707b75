#include "app/toolbar_dlg.h"

#include <QComboBox>
#include <QIcon>
#include <QPushButton>

#include "core/string_table.h"
#include "core/ui_text.h"
#include "resources/icon_resources.h"
#include "ui/dialog_units.h"

namespace {

// A check box drawn as a push button whose state only the program sets: a click is reported
// but does not toggle it.
class CommandCheckButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void nextCheckState() override {}
};

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

    start_ = AddButton(IDC_START, IDS_BUTTON_START, ":/icons/start.svg", 0);
    stop_ = AddButton(IDC_STOP, IDS_BUTTON_STOP, ":/icons/stop.svg", 16);
    copy_ = AddButton(IDC_COPY, IDS_BUTTON_COPY, ":/icons/copy.svg", 40);
    settings_ = AddButton(IDC_SETTINGS, IDS_BUTTON_SETTINGS, ":/icons/settings.svg", 56);
    AddModeList();
    imageParams_ =
        AddButton(IDC_IMAGE_PARAMS, IDS_BUTTON_IMAGE_PARAMS, ":/icons/image_params.svg", 212);
    imageParams_->setCheckable(true);
    start_->setDefault(true);

    setTabOrder(start_, stop_);
    setTabOrder(stop_, copy_);
    setTabOrder(copy_, settings_);
    setTabOrder(settings_, modeList_);
    setTabOrder(modeList_, imageParams_);
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
    modeList_ = new QComboBox(this);
    // The list's tooltip is its selected entry, and empty while nothing is selected.
    connect(modeList_, &QComboBox::currentIndexChanged, this,
            [this] { modeList_->setToolTip(modeList_->currentText()); });
    for (int id = IDS_MODE_SNAPSHOT; id <= IDS_MODE_VIDEO_SNAPSHOT_TRIGGER; ++id) {
        modeList_->addItem(UiText(id));  // the first entry added becomes the selection
    }
    modeList_->setAccessibleDescription(UiText(IDS_DESC_MODE_LIST));
    modeList_->setFocusPolicy(Qt::StrongFocus);
    modeList_->setGeometry(DialogUnits().Rect(kModeListX, 0, kModeListWidth, kHeight));
}

QWidget* CToolbarDlg::Control(int id) const {
    switch (id) {
        case IDC_START: return start_;
        case IDC_STOP: return stop_;
        case IDC_COPY: return copy_;
        case IDC_SETTINGS: return settings_;
        case IDC_IMAGE_PARAMS: return imageParams_;
        case IDC_MODE_LIST: return modeList_;
        default: return nullptr;
    }
}

void CToolbarDlg::EnableControl(int id, bool enabled) {
    if (QWidget* control = Control(id)) control->setEnabled(enabled);
}

void CToolbarDlg::FocusControl(int id) {
    if (QWidget* control = Control(id)) control->setFocus(Qt::OtherFocusReason);
}

void CToolbarDlg::SetImageParamsChecked(bool checked) { imageParams_->setChecked(checked); }

bool CToolbarDlg::IsImageParamsChecked() const { return imageParams_->isChecked(); }

int CToolbarDlg::ModeSelection() const { return modeList_->currentIndex(); }

void CToolbarDlg::SetModeSelection(int index) {
    modeList_->setCurrentIndex(index >= 0 && index < modeList_->count() ? index : -1);
}
