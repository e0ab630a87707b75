#pragma once
// The image parameters dialog: a modeless tool window, owned by the main window, in which the
// user edits the snapshot and the video parameter sets. It edits a working copy of one set; the
// main window fills it and takes it back through three synchronous signals:
//
//   loadRequested   the mode list's selection changed: the receiver picks the set of
//                   ModeSelection() and hands it to SetParameters() (unapplied typing is lost);
//   applyRequested  Apply read every field: the receiver copies Parameters() into the set of
//                   ModeSelection() and takes AutoSave(); the dialog stays open with the text
//                   as typed;
//   hideRequested   the close box or Esc: the receiver hides the dialog. The dialog never
//                   closes or hides itself, and keeps unapplied typing while hidden.
//
// Connect them directly (the default for objects of one thread), so each has been handled
// when the emit returns.

#include <QDialog>

#include "app/auto_saver.h"
#include "device/image_parameters.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CImagePropertiesDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDC_APPLY = 1;
    static constexpr int IDC_MODE_LIST = 1008;
    static constexpr int IDC_FORMAT = 1030;
    static constexpr int IDC_WIDTH = 1031;
    static constexpr int IDC_HEIGHT = 1032;
    static constexpr int IDC_SUBSAMPLING = 1033;
    static constexpr int IDC_JPEG_QUALITY = 1034;
    static constexpr int IDC_SAVE_EVERY = 1035;
    static constexpr int IDC_SAVE_FOLDER = 1036;
    static constexpr int IDC_BROWSE = 1037;

    // Created hidden, snapshot mode selected, the fields showing the empty working record (no
    // format, zeros). The owner fills it with SetParameters() once it has connected the signals.
    explicit CImagePropertiesDlg(QWidget* owner);

    // The mode whose set is being edited: 0 snapshot, 1 video.
    int ModeSelection() const;

    // Makes `parameters` the working record and shows it in the fields.
    void SetParameters(const ImageParameters& parameters);
    // The working record: what was set, or last applied.
    const ImageParameters& Parameters() const { return m_parameters; }

    // Saving every image, shared by both modes: shown by SetAutoSave, taken by the same Apply
    // (which refuses saving switched on without a folder).
    void SetAutoSave(const AutoSaveSetting& setting);
    const AutoSaveSetting& AutoSave() const { return m_autoSave; }

    // The control with `id`, or nullptr for an id the dialog does not have.
    QWidget* Control(int id) const;

signals:
    void loadRequested();
    void applyRequested();
    void hideRequested();

protected:
    void reject() override;                        // Esc
    void closeEvent(QCloseEvent* event) override;  // the close box

private:
    QLabel* AddLabel(int textId, QWidget* buddy, int y, int width, int height);
    QComboBox* AddList(int id, int firstText, int lastText, int y, int labelId, int labelWidth);
    QLineEdit* AddEdit(int id, int y, int labelId);
    void AddAutoSaveControls(int y);
    void BrowseFolder();
    bool TransferAutoSave(AutoSaveSetting& setting);
    void TransferToControls();
    bool TransferFromControls(ImageParameters& parameters);
    void Apply();

    ImageParameters m_parameters{-1, 0, 0, 0, 0};
    QComboBox* m_modeList = nullptr;
    QComboBox* m_format = nullptr;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QLineEdit* m_subsampling = nullptr;
    QLineEdit* m_jpegQuality = nullptr;
    AutoSaveSetting m_autoSave;
    QCheckBox* m_saveEvery = nullptr;
    QLineEdit* m_saveFolder = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_apply = nullptr;
};
