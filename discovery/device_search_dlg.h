#pragma once
// The search for scanners: one row per serial port of the system; on request every ticked port
// is probed at the seven line speeds in turn until a device answers. The user then picks a row;
// after Accepted, FoundPort() and FoundSpeedIndex() hold its port and the speed index at which a
// device answered (-1 when none did).
//
// The search runs inside the Start button's handler and keeps the window alive by processing
// events between the probes. "Прервать", Esc, the close box, Enter and a double-click in the
// list (on a row or on its empty space) stop it; the last three then close the dialog once the
// search has ended.

#include <QDialog>
#include <string>

class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

class CDeviceSearchDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int IDC_LIST = 1017;
    static constexpr int IDC_START = 1018;
    static constexpr int IDC_STOP = 1019;

    // List columns.
    static constexpr int kColumnPort = 0;
    static constexpr int kColumnSpeed = 1;
    static constexpr int kColumnState = 2;
    // Item data of column 0: the speed index at which a device answered, -1 otherwise.
    static constexpr int kSpeedRole = Qt::UserRole;

    explicit CDeviceSearchDlg(QWidget* parent);

    const std::string& FoundPort() const { return m_foundPort; }
    int FoundSpeedIndex() const { return m_foundSpeedIndex; }

    QTreeWidget* List() const { return m_list; }
    QWidget* Control(int id) const;

    // Timer handler: keeps the rows equal to the system's ports while no search runs.
    void OnTimer();

public slots:
    void accept() override;  // Enter outside the buttons, a double-click, Enter in the list
    void reject() override;  // Esc, the close box

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;  // the list's double-clicks

private:
    enum class PendingAction { None, Cancel, Accept };

    void CreateColumns();
    void RefreshRows();
    QTreeWidgetItem* AddRow(const QString& port);
    void OnStart();
    void OnStop();
    void RunSearch();
    void SearchRow(QTreeWidgetItem* row);
    void UpdateButtons();
    void AcceptSelection();
    void Defer(PendingAction action);

    std::string m_foundPort;
    int m_foundSpeedIndex = -1;
    bool m_searching = false;
    PendingAction m_pendingAction = PendingAction::None;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QTimer* m_timer = nullptr;
};
