#pragma once
// The toolbar: the command buttons and the acquisition mode list in the bottom strip of the
// main window. It has no logic of its own: clicks go to the main window through command(), and
// the main window enables the controls, moves the focus, sets the Image parameters button's
// pressed state and reads or sets the mode list.
//
// It is a borderless child widget, not a dialog of its own, so its controls take part in the
// main window's keyboard navigation, and Start acts as the main window's default button.

#include <QWidget>

class QComboBox;
class QPushButton;

class CToolbarDlg : public QWidget {
    Q_OBJECT

public:
    // Control ids, also the ids command() reports.
    static constexpr int IDC_START = 1003;
    static constexpr int IDC_STOP = 1004;
    static constexpr int IDC_COPY = 1005;
    static constexpr int IDC_SETTINGS = 1006;
    static constexpr int IDC_IMAGE_PARAMS = 1007;
    static constexpr int IDC_MODE_LIST = 1008;
    static constexpr int IDC_SAVE = 1009;

    // Created hidden, with entry 0 (snapshot) of the mode list selected.
    explicit CToolbarDlg(QWidget* parent = nullptr);

    // The control with `id`, or nullptr for an id the toolbar does not have.
    QWidget* Control(int id) const;
    void EnableControl(int id, bool enabled);

    // Moves the keyboard focus to the button with `id` (Start or Stop).
    void FocusControl(int id);

    // The Image parameters button looks pressed while the dialog it opens is visible. Clicking
    // it never changes that: only the program does.
    void SetImageParamsChecked(bool checked);
    bool IsImageParamsChecked() const;

    // The mode list's selection: 0-4, or -1 for none. Setting an index outside 0-4 leaves the
    // list without a selection.
    int ModeSelection() const;
    void SetModeSelection(int index);

signals:
    // A button was clicked; `id` is its control id (IDC_START ... IDC_IMAGE_PARAMS, IDC_SAVE).
    void command(int id);

private:
    QPushButton* AddButton(int id, int captionId, const char* icon, int x);
    void AddModeList();

    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_settings = nullptr;
    QPushButton* m_imageParams = nullptr;
    QComboBox* m_modeList = nullptr;
};
