#include "app/veltor_app.h"

#include "app/veltor_dlg.h"
#include "core/ui_text.h"
#include "settings/profile_path.h"
#include "ui/message_box.h"

int CVeltorApp::Run(const QString& executablePath) {
    const ProfilePathResult profile = BuildProfilePath(executablePath);
    if (!profile.ok()) {
        // No window exists yet; the box stands alone and the program ends.
        ShowMessageBox(nullptr, UiText(profile.error), MsgIcon::Error);
        return 1;
    }
    CVeltorDlg window(profile.path);
    window.exec();
    return 0;
}
