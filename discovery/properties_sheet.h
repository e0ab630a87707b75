#pragma once
// The settings sheet: the connection page as its only tab, with OK and Cancel. OK reads the
// page back and stays open when a value is refused.

#include <QDialog>
#include <string>

class CConnectPage;
class QDialogButtonBox;
class QTabWidget;

class CProperties : public QDialog {
    Q_OBJECT

public:
    CProperties(const QString& caption, QWidget* parent, int firstPage = 0);

    CConnectPage& Page() const { return *m_page; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

public slots:
    void accept() override;

private:
    QTabWidget* m_tabs = nullptr;
    CConnectPage* m_page = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

// The main window's Settings command: shows the three connection values in the sheet and, only
// when it ends with OK, copies them back (a speed index of -1 when none is selected; a time-out
// read back is always 100-300000). True on OK.
bool RunSettingsSheet(QWidget* parent, const QString& caption, std::string& portName,
                      int& speedIndex, int& timeout);
