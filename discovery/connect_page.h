#pragma once
// The connection page of the settings sheet: serial port, line speed and time-out, and four
// actions on the device behind that port (check the link, search every port, change the
// device's own speed, show its details). Each action opens the port for itself and closes it
// before it returns; a failure is reported and leaves the page usable.
//
// The page holds one ConnectionSettings: given whole before the page is first shown, taken whole
// after ReadBack() has succeeded, and the values the device actions open the port with.

#include <QWidget>
#include <cstdint>
#include <string>

#include "device/connection_settings.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

class CConnectPage : public QWidget {
    Q_OBJECT

public:
    static constexpr int IDC_PORT = 1000;
    static constexpr int IDC_TIMEOUT = 1001;
    static constexpr int IDC_SPEED = 1002;
    static constexpr int IDC_CHECK_LINK = 1012;
    static constexpr int IDC_SEARCH = 1013;
    static constexpr int IDC_DETAILS = 1014;
    static constexpr int IDC_DEVICE = 1015;
    static constexpr int IDC_SET_SPEED = 1016;

    explicit CConnectPage(QWidget* parent = nullptr);

    void SetSettings(const ConnectionSettings& settings) { m_settings = settings; }
    const ConnectionSettings& Settings() const { return m_settings; }

    // Takes the controls' values, all or none: a time-out that is not a number in range is
    // refused with a warning, the focus goes to its field and the settings stay as they were.
    bool ReadBack();

    QWidget* Control(int id) const;

    // True while one of the device actions runs. The actions handle events while they wait, so
    // the user can still click: another action started then does nothing, and the sheet holding
    // the page must not close.
    bool IsBusy() const { return m_busy; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Timer handler: refreshes the port list unless it is dropped down.
    void OnTimer();

    // Marks the page busy for the life of one action; false when another already runs.
    class ActionScope;

    // The actions of the four buttons.
    void OnCheckLink();
    void OnSearch();
    void OnSetSpeed();
    void OnDetails();
    bool TakeSearchResult();

    QComboBox* AddList(int id, int labelId, int y, int dropHeight);
    QPushButton* AddButton(int id, int captionId, int x, int y, void (CConnectPage::*action)());
    void Initialise();
    void LoadControls();
    void RefreshPorts();
    void SelectPort(const QString& name);
    bool RefuseTimeout(int messageId);

    ConnectionSettings m_settings;
    bool m_initialised = false;
    bool m_busy = false;
    QComboBox* m_portList = nullptr;
    QComboBox* m_speedList = nullptr;
    QLineEdit* m_timeoutEdit = nullptr;
    QLineEdit* m_device = nullptr;
    QPushButton* m_checkLink = nullptr;
    QPushButton* m_search = nullptr;
    QPushButton* m_setSpeed = nullptr;
    QPushButton* m_details = nullptr;
    QTimer* m_timer = nullptr;
};
