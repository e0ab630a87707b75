#pragma once
// The main window: the image view, the status line and the toolbar. It owns the connection
// settings and both image parameter sets, runs acquisitions (busy while one runs) and saves the
// settings when it closes.

#include <QDialog>
#include <QSize>
#include <memory>

#include "app/acquisition.h"
#include "app/auto_saver.h"
#include "device/connection_settings.h"
#include "device/image_parameters.h"
#include "imaging/image_file.h"

class CImagePropertiesDlg;
class CImageViewer;
class CToolbarDlg;
class IniFile;
class QFrame;
class QLabel;
class QTemporaryDir;

class CVeltorDlg : public QDialog, public AcquisitionHost {
    Q_OBJECT
public:
    // `profilePath` is the settings file the window loads now and saves when it closes.
    explicit CVeltorDlg(const QString& profilePath, QWidget* parent = nullptr);
    ~CVeltorDlg() override;

    // Where the focus goes when the toolbar's enabling changes.
    enum class Focus { KeepUnlessDisabled, ToStartOrStop };
    // Enabling of the toolbar by the busy flag; the focus moves to Start or Stop when it was on
    // a control that has just been disabled, or always with ToStartOrStop.
    void UpdateControls(Focus focus);
    // Reads every setting from the file or writes them all to it.
    enum class Exchange { Load, Save };
    void ExchangeSettings(Exchange direction);
    // Why the last save of the settings failed, as an errno value; 0 when it succeeded.
    int SettingsSaveError() const { return m_settingsSaveError; }
    void ShowImageParams(bool show);

    // The parts tests and the acquisition look at.
    CToolbarDlg* Toolbar() const { return m_toolbar; }
    CImageViewer* ImageView() const { return m_imageView; }
    CImagePropertiesDlg* ImageParamsDialog() const { return m_paramsDlg; }
    QLabel* StatusLine() const { return m_statusLine; }
    bool IsBusy() const { return m_busy; }
    // The last image acquired, with its received bytes; empty type before the first.
    const ReceivedImage& HeldImage() const { return m_held; }
    const AutoSaver& AutoSaving() const { return m_autoSaver; }
    // The file a drag out of the view carries: the held image as received, written into a
    // private temporary folder under the name Save would propose. Empty when it cannot be.
    QString DragFile();

    // AcquisitionHost
    int SelectedMode() const override;
    ImageParameters SnapshotParameters() const override { return m_snapshotParams; }
    ImageParameters VideoParameters() const override { return m_videoParams; }
    void SetStatusText(const QString& text) override;
    void ShowImage(const ReceivedImage& image) override;
    QWidget* Window() override { return this; }

public slots:
    void accept() override {}  // Enter never closes the window
    void reject() override;    // Esc is Stop

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnCommand(int id);
    void CreateControls();
    void CreateImageParamsDialog();
    void PositionToolbar();
    void Layout(QSize newClient);
    void OnStart();
    void OnCopy();
    void OnSave();
    QString SaveStartFolder() const;
    bool WriteSavedFile(const QString& path, const QByteArray& data);
    void OnSettings();
    bool CloseIfIdle();
    ImageParameters* SetOfDialogMode();
    void LoadSettings(const IniFile& ini);
    void SaveSettings(IniFile& ini);
    void ApplyPlacement(bool maximized, int width, int height);
    QRect AvailableArea() const;
    void CentreOnScreen();
    void PlaceImageParams();

    QString m_profilePath;
    int m_settingsSaveError = 0;
    ConnectionSettings m_connection;
    ImageParameters m_snapshotParams = kDefaultSnapshotParameters;
    ImageParameters m_videoParams = kDefaultVideoParameters;
    bool m_sizesRecorded = false;
    QSize m_minimumSize;
    QSize m_lastClientSize;
    QSize m_normalSize;  // the size in the normal (restored) state, for the settings
    CImageViewer* m_imageView = nullptr;
    QLabel* m_statusLine = nullptr;
    QFrame* m_separator = nullptr;
    QWidget* m_toolbarPlace = nullptr;
    CToolbarDlg* m_toolbar = nullptr;
    CImagePropertiesDlg* m_paramsDlg = nullptr;
    bool m_paramsPlaced = false;
    ReceivedImage m_held;
    AutoSaver m_autoSaver;
    QString m_lastSaveFolder;
    std::unique_ptr<QTemporaryDir> m_dragFolder;
    QString m_dragFile;  // the held image's drag file, once written
    bool m_busy = false;
    bool m_closePending = false;
};
