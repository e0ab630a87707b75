#include "app/veltor_app.h"

#include <QString>
#include <cstring>

#include "app/close_on_terminate.h"
#include "app/veltor_dlg.h"
#include "core/ui_text.h"
#include "settings/profile_path.h"
#include "ui/message_box.h"

namespace {

void ReportSettingsNotSaved(const QString& path, int error) {
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    const std::string text =
        FormatText(IDS_SETTINGS_NOT_SAVED, path.toUtf8().constData(), reason.toUtf8().constData());
    ShowMessageBox(nullptr, QString::fromStdString(text), MsgIcon::Error);
}

}  // namespace

int CVeltorApp::Run(const QString& executablePath) {
    const ProfilePathResult profile = SettingsFilePath(executablePath);
    if (!profile.ok()) {
        // No window exists yet; the box stands alone and the program ends.
        ShowMessageBox(nullptr, UiText(profile.error), MsgIcon::Error);
        return 1;
    }
    CVeltorDlg window(profile.path);
    {
        CloseOnTerminate terminate(window);
        window.exec();
    }
    // The window is gone: the box stands alone, once, rather than the settings being lost unseen.
    if (const int error = window.SettingsSaveError()) ReportSettingsNotSaved(profile.path, error);
    return 0;
}
