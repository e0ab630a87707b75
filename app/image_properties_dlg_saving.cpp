// The image parameters dialog's bottom part: saving every image into a folder.

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/image_properties_dlg.h"
#include "core/string_table.h"
#include "core/ui_text.h"
#include "ui/dialog_units.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"

void CImagePropertiesDlg::AddAutoSaveControls(int y) {
    const DialogUnits units;
    m_saveEvery = new QCheckBox(UiText(IDS_CHECK_SAVE_EVERY), this);
    m_saveEvery->setObjectName(QString::number(IDC_SAVE_EVERY));
    m_saveEvery->setFocusPolicy(Qt::StrongFocus);
    m_saveEvery->setGeometry(units.Rect(4, y, 124, 10));

    m_saveFolder = new QLineEdit(this);
    m_saveFolder->setObjectName(QString::number(IDC_SAVE_FOLDER));
    m_saveFolder->setGeometry(units.Rect(32, y + 14, 78, 12));
    auto* label = new QLabel(UiText(IDS_LABEL_SAVE_FOLDER), this);
    label->setBuddy(m_saveFolder);
    label->setGeometry(units.Rect(4, y + 14, 28, 12));
    QString name = label->text();
    name.chop(1);  // the label without its colon
    m_saveFolder->setAccessibleName(name);

    m_browse = new QPushButton(UiText(IDS_BUTTON_BROWSE), this);
    m_browse->setObjectName(QString::number(IDC_BROWSE));
    m_browse->setAccessibleName(UiText(IDS_DESC_BROWSE));
    m_browse->setToolTip(UiText(IDS_DESC_BROWSE));
    m_browse->setAutoDefault(false);
    m_browse->setGeometry(units.Rect(112, y + 13, 16, 14));
    connect(m_browse, &QPushButton::clicked, this, &CImagePropertiesDlg::BrowseFolder);
}

void CImagePropertiesDlg::SetAutoSave(const AutoSaveSetting& setting) {
    m_autoSave = setting;
    m_saveEvery->setChecked(setting.enabled);
    m_saveFolder->setText(QDir::toNativeSeparators(setting.folder));
}

void CImagePropertiesDlg::BrowseFolder() {
    const QString folder =
        AskFolder(this, UiText(IDS_DESC_BROWSE), QDir::fromNativeSeparators(m_saveFolder->text()));
    if (!folder.isEmpty()) m_saveFolder->setText(QDir::toNativeSeparators(folder));
    m_saveFolder->setFocus(Qt::OtherFocusReason);
}

// Saving switched on needs a folder; without one the user is told and the field focused.
bool CImagePropertiesDlg::TransferAutoSave(AutoSaveSetting& setting) {
    setting.enabled = m_saveEvery->isChecked();
    setting.folder = QDir::fromNativeSeparators(m_saveFolder->text());
    if (!setting.enabled || !setting.folder.trimmed().isEmpty()) return true;
    ShowMessageBox(this, UiText(IDS_NO_SAVE_FOLDER), MsgIcon::Warning);
    m_saveFolder->setFocus(Qt::OtherFocusReason);
    return false;
}
