#pragma once
// The main window on a settings file of the test's own, against the simulated scanner, with hooks
// on the images and the status texts a run shows.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "app/toolbar_dlg.h"
#include "app/veltor_dlg.h"
#include "device/packet_protocol.h"
#include "tests/support/message_boxes.h"
#include "tests/support/text_file.h"
#include "tools/scanner-sim/scanner.h"

class HookedWindow : public CVeltorDlg {
public:
    using CVeltorDlg::CVeltorDlg;
    void SetStatusText(const QString& text) override {
        texts.push_back(text);
        CVeltorDlg::SetStatusText(text);
        if (onText) onText(text);
    }
    void ShowImage(const ReceivedImage& image) override {
        ++images;
        CVeltorDlg::ShowImage(image);
        if (onImage) onImage(images);
    }
    std::vector<QString> texts;
    int images = 0;
    std::function<void(int)> onImage;
    std::function<void(const QString&)> onText;
};

class WindowTest : public ::testing::Test {
protected:
    QString Ini() const { return dir.filePath(QStringLiteral("veltor.ini")); }
    void WriteIni(const QByteArray& content) { ASSERT_TRUE(WriteWholeFile(Ini(), content)); }
    QByteArray ReadIni() const { return ReadWholeFile(Ini()); }

    // The connection keys of the settings file, followed by `more`.
    void WriteConnection(const std::string& port, int speedIndex = 2, int timeoutMs = 1000,
                         const QByteArray& more = {}) {
        WriteIni(QStringLiteral("[Connect]\nPortName=%1\nBaudRate=%2\nTimeout=%3\n")
                     .arg(QString::fromStdString(port))
                     .arg(speedIndex)
                     .arg(timeoutMs)
                     .toUtf8() +
                 more);
    }
    // Starts the simulator and shows the window in `mode`, taking its connection from the
    // settings file as it does at start-up.
    void Open(scanner_sim::Config config, int mode, int speedIndex = 2,
              const QByteArray& moreIni = {}) {
        sim = std::make_unique<scanner_sim::Scanner>(std::move(config));
        WriteConnection(sim->SlavePath(), speedIndex, 1000, moreIni);
        window = std::make_unique<HookedWindow>(Ini());
        window->Toolbar()->SetModeSelection(mode);
        window->show();
    }
    void PressStart() {
        QTest::mouseClick(window->Toolbar()->Control(CToolbarDlg::IDC_START), Qt::LeftButton);
    }

    // The image requests on the wire: the bytes written from the Command byte on.
    std::vector<scanner_sim::Bytes> Requests() const {
        std::vector<scanner_sim::Bytes> requests;
        for (const auto& write : sim->ImageCommandWrites())
            if (write.command == 1) requests.push_back(write.bytes);
        return requests;
    }
    uint8_t LastCommand() const { return sim->ImageCommandWrites().back().command; }
    // The scanner was told to move to the transfer speed, 115200 bit/s.
    bool SpeedRaised() const {
        for (const auto& r : sim->Log())
            if (r.command == CMD_BAUD_RATE && r.params == scanner_sim::Bytes{6}) return true;
        return false;
    }

    QTemporaryDir dir;
    MessageBoxes boxes;
    std::unique_ptr<scanner_sim::Scanner> sim;
    std::unique_ptr<HookedWindow> window;
};
