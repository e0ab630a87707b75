// The main window's settings: every value it owns, read from and written to the INI file.

#include <QGuiApplication>
#include <QScreen>

#include "app/image_properties_dlg.h"
#include "app/toolbar_dlg.h"
#include "app/veltor_dlg.h"
#include "device/image_parameters.h"
#include "settings/ini_file.h"
#include "ui/window_frame.h"

namespace {

const QString kConnect = QStringLiteral("Connect");
const QString kAcquisition = QStringLiteral("ImageAcquisition");
const QString kSnapshot = QStringLiteral("ImageAcquisition\\Snapshot");
const QString kVideo = QStringLiteral("ImageAcquisition\\Video");
const QString kWindow = QStringLiteral("Window");
const QString kSaving = QStringLiteral("ImageSaving");

void ReadParameters(const IniFile& ini, const QString& section, ImageParameters& p) {
    ReadStoredParameters(p, [&](const char* key, int value) {
        return ini.ReadInt(section, QLatin1String(key), value);
    });
}

void WriteParameters(IniFile& ini, const QString& section, const ImageParameters& p) {
    WriteStoredParameters(
        p, [&](const char* key, int value) { ini.WriteInt(section, QLatin1String(key), value); });
}

}  // namespace

void CVeltorDlg::ExchangeSettings(Exchange direction) {
    IniFile ini(m_profilePath);
    ini.Load();  // an unreadable file gives the defaults and is never overwritten
    if (direction == Exchange::Save) {
        SaveSettings(ini);
        // A failed save leaves the old file as it was; the start-up tells the user.
        m_settingsSaveError = ini.Save() ? 0 : ini.SaveError();
    } else {
        LoadSettings(ini);
    }
}

void CVeltorDlg::LoadSettings(const IniFile& ini) {
    m_connection.portName = ini.ReadString(kConnect, QStringLiteral("PortName"),
                                           QString::fromStdString(m_connection.portName))
                                .toStdString();
    m_connection.speedIndex =
        ini.ReadInt(kConnect, QStringLiteral("BaudRate"), m_connection.speedIndex);
    m_connection.timeoutMs =
        UsableTimeout(ini.ReadInt(kConnect, QStringLiteral("Timeout"), m_connection.timeoutMs));
    m_toolbar->SetModeSelection(
        ini.ReadInt(kAcquisition, QStringLiteral("AcquisitionMode"), m_toolbar->ModeSelection()));
    ReadParameters(ini, kSnapshot, m_snapshotParams);
    ReadParameters(ini, kVideo, m_videoParams);

    const bool maximized = ini.ReadInt(kWindow, QStringLiteral("IsMaximized"), isMaximized()) != 0;
    const int width = ini.ReadInt(kWindow, QStringLiteral("Width"), m_normalSize.width());
    const int height = ini.ReadInt(kWindow, QStringLiteral("Height"), m_normalSize.height());
    ApplyPlacement(maximized, width, height);

    AutoSaveSetting autoSave;
    autoSave.enabled = ini.ReadInt(kSaving, QStringLiteral("SaveEveryImage"), 0) != 0;
    autoSave.folder = ini.ReadString(kSaving, QStringLiteral("Folder"), QString());
    m_autoSaver.Load(autoSave);
    m_paramsDlg->SetAutoSave(autoSave);
    m_lastSaveFolder = ini.ReadString(kSaving, QStringLiteral("LastFolder"), QString());
}

void CVeltorDlg::SaveSettings(IniFile& ini) {
    ini.WriteString(kConnect, QStringLiteral("PortName"),
                    QString::fromStdString(m_connection.portName));
    ini.WriteInt(kConnect, QStringLiteral("BaudRate"), m_connection.speedIndex);
    ini.WriteInt(kConnect, QStringLiteral("Timeout"), m_connection.timeoutMs);
    ini.WriteInt(kAcquisition, QStringLiteral("AcquisitionMode"), m_toolbar->ModeSelection());
    WriteParameters(ini, kSnapshot, m_snapshotParams);
    WriteParameters(ini, kVideo, m_videoParams);
    ini.WriteInt(kWindow, QStringLiteral("IsMaximized"), isMaximized() ? 1 : 0);
    ini.WriteInt(kWindow, QStringLiteral("Width"), m_normalSize.width());
    ini.WriteInt(kWindow, QStringLiteral("Height"), m_normalSize.height());
    // A section of its own after the others. A folder the file cannot hold (a line break in its
    // name) is not written; the stored one stays.
    const AutoSaveSetting& autoSave = m_autoSaver.Setting();
    ini.WriteInt(kSaving, QStringLiteral("SaveEveryImage"), autoSave.enabled ? 1 : 0);
    ini.WriteString(kSaving, QStringLiteral("Folder"), autoSave.folder);
    ini.WriteString(kSaving, QStringLiteral("LastFolder"), m_lastSaveFolder);
}

// The stored size, centred on the screen; the position itself is never stored. A size below the
// template's is raised to it, and one larger than the screen can show is taken as the template's,
// so a damaged file cannot make a window of gigabytes. The size is also the one written back
// while the window stays maximized.
void CVeltorDlg::ApplyPlacement(bool maximized, int width, int height) {
    QSize stored(std::max(width, m_minimumSize.width()), std::max(height, m_minimumSize.height()));
    const QRect area = AvailableArea();
    if (area.isValid() && (stored.width() > area.width() || stored.height() > area.height()))
        stored = m_minimumSize;
    resize(stored);
    m_normalSize = stored;
    CentreOnScreen();  // by the client area until the window manager has framed the window
    setWindowState(maximized ? Qt::WindowMaximized : Qt::WindowNoState);
    WhenFramed(this, [this] {
        if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) CentreOnScreen();
    });
}

QRect CVeltorDlg::AvailableArea() const {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Centres the frame, as far as it is known, in the screen's available area.
void CVeltorDlg::CentreOnScreen() {
    const QRect area = AvailableArea();
    if (!area.isValid()) return;
    const QSize frame = frameGeometry().size();
    move(area.left() + (area.width() - frame.width()) / 2,
         area.top() + (area.height() - frame.height()) / 2);
}
