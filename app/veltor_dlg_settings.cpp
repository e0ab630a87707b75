// The main window's settings: every value it owns, read from and written to the INI file.

#include <QGuiApplication>
#include <QScreen>

#include "app/toolbar_dlg.h"
#include "app/veltor_dlg.h"
#include "settings/ini_file.h"

namespace {

const QString kConnect = QStringLiteral("Connect");
const QString kAcquisition = QStringLiteral("ImageAcquisition");
const QString kSnapshot = QStringLiteral("ImageAcquisition\\Snapshot");
const QString kVideo = QStringLiteral("ImageAcquisition\\Video");
const QString kWindow = QStringLiteral("Window");

// Stored values are kept by truncation to the field's width, as they always have been.
void ReadParameters(const IniFile& ini, const QString& section, ImageParameters& p) {
    p.ImageFormat = ini.ReadInt(section, QStringLiteral("ImageFormat"), p.ImageFormat);
    p.ViewWidth =
        static_cast<int16_t>(ini.ReadInt(section, QStringLiteral("ViewWidth"), p.ViewWidth));
    p.ViewHeight =
        static_cast<int16_t>(ini.ReadInt(section, QStringLiteral("ViewHeight"), p.ViewHeight));
    p.SubsamplingCoeff = static_cast<uint8_t>(
        ini.ReadInt(section, QStringLiteral("SubsamplingCoeff"), p.SubsamplingCoeff));
    p.JpegQuality =
        static_cast<uint8_t>(ini.ReadInt(section, QStringLiteral("JpegQuality"), p.JpegQuality));
}

void WriteParameters(IniFile& ini, const QString& section, const ImageParameters& p) {
    ini.WriteInt(section, QStringLiteral("ImageFormat"), p.ImageFormat);
    ini.WriteInt(section, QStringLiteral("ViewWidth"), p.ViewWidth);
    ini.WriteInt(section, QStringLiteral("ViewHeight"), p.ViewHeight);
    ini.WriteInt(section, QStringLiteral("SubsamplingCoeff"), p.SubsamplingCoeff);
    ini.WriteInt(section, QStringLiteral("JpegQuality"), p.JpegQuality);
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
}

// The stored size (never below the template's), centred on the screen; the position itself is
// never stored.
void CVeltorDlg::ApplyPlacement(bool maximized, int width, int height) {
    resize(std::max(width, m_minimumSize.width()), std::max(height, m_minimumSize.height()));
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - frameGeometry().width()) / 2,
             area.top() + (area.height() - frameGeometry().height()) / 2);
    }
    setWindowState(maximized ? Qt::WindowMaximized : Qt::WindowNoState);
}
