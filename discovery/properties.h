#pragma once
// The settings sheet: the connection page as its only tab, with OK and Cancel. OK reads the
// page back and stays open when a value is refused. Neither closes the sheet while one of the
// page's device actions runs. The sheet opens with the focus on the port list.

#include <QDialog>
#include <optional>

#include "device/connection_settings.h"

class CConnectPage;
class QDialogButtonBox;
class QTabWidget;

class CProperties : public QDialog {
    Q_OBJECT

public:
    CProperties(const QString& caption, QWidget* parent);

    CConnectPage& Page() const { return *m_page; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

public slots:
    void accept() override;
    void reject() override;  // Cancel, Esc and the close box

private:
    QTabWidget* m_tabs = nullptr;
    CConnectPage* m_page = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

// The main window's Settings command: shows the connection values in the sheet and gives them
// back only when it ends with OK (a speed index of -1 when none is selected; a time-out read back
// is always 100-300000).
std::optional<ConnectionSettings> RunSettingsSheet(QWidget* parent, const QString& caption,
                                                   const ConnectionSettings& settings);
