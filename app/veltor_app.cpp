#include "app/veltor_app.h"

#include "app/message_box.h"
#include "app/profile_path.h"
#include "app/ui_text.h"
#include "app/veltor_dlg.h"

int CVeltorApp::Run(const QString& executablePath) {
    const ProfilePathResult profile = BuildProfilePath(executablePath);
    if (!profile.ok()) {
        // No window exists yet; the box stands alone and the program ends.
        ShowMessageBox(nullptr, UiText(profile.error), MsgIcon::Error);
        return 1;
    }
    m_profilePath = profile.path;
    CVeltorDlg window(m_profilePath);
    window.exec();
    return 0;
}
