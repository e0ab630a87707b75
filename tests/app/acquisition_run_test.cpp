// Start in every mode, through the real main window, against the simulated scanner.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/image_properties_dlg.h"
#include "core/run_loop.h"
#include "imaging/image_viewer.h"
#include "tests/app/window_fixture.h"
#include "tools/scanner-sim/test_bitmap.h"

namespace {

using scanner_sim::Bytes;

class Acquisition : public WindowTest {
protected:
    void Reconnect(const std::string& port, int speedIndex, int timeoutMs) {
        WriteConnection(port, speedIndex, timeoutMs);
        window->ExchangeSettings(CVeltorDlg::Exchange::Load);
    }
    // The speed index the window would store now.
    int StoredSpeedIndex() {
        window->ExchangeSettings(CVeltorDlg::Exchange::Save);
        for (const QByteArray& line : ReadIni().split('\n'))
            if (line.startsWith("BaudRate=")) return line.mid(9).toInt();
        return -100;
    }
    std::vector<QString> Progress() const {
        std::vector<QString> progress;
        for (const QString& text : window->texts)
            if (text.startsWith(QStringLiteral("Выполнено:"))) progress.push_back(text);
        return progress;
    }
    void ExpectIdle() const {
        EXPECT_FALSE(window->IsBusy());
        EXPECT_TRUE(window->StatusLine()->text().isEmpty());
        EXPECT_TRUE(window->Toolbar()->Control(CToolbarDlg::IDC_START)->isEnabled());
        EXPECT_FALSE(window->Toolbar()->Control(CToolbarDlg::IDC_STOP)->isEnabled());
    }
};

}  // namespace

TEST_F(Acquisition, SnapshotEndToEnd) {
    Open({}, Snapshot);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QWidget* start = window->Toolbar()->Control(CToolbarDlg::IDC_START);
    QWidget* stop = window->Toolbar()->Control(CToolbarDlg::IDC_STOP);
    EXPECT_EQ(QApplication::focusWidget(), start);
    start->setFocus();
    QWidget* focusDuringRun = nullptr;
    bool busyDuringRun = false;
    window->onImage = [&](int) {
        focusDuringRun = QApplication::focusWidget();
        auto on = [&](int id) { return window->Toolbar()->Control(id)->isEnabled(); };
        busyDuringRun = window->IsBusy() && !on(CToolbarDlg::IDC_START) &&
                        !on(CToolbarDlg::IDC_SETTINGS) && !on(CToolbarDlg::IDC_MODE_LIST) &&
                        on(CToolbarDlg::IDC_COPY) && on(CToolbarDlg::IDC_STOP);
    };
    PressStart();
    EXPECT_TRUE(busyDuringRun);
    EXPECT_EQ(focusDuringRun, stop);
    EXPECT_EQ(QApplication::focusWidget(), start);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(window->images, 1);
    EXPECT_EQ(window->ImageView()->SourceImage().size(), QSize(64, 48));
    EXPECT_EQ(LastCommand(), 0x00);
    EXPECT_EQ(sim->BaudIndex(), 2) << "the device's speed is put back";
    EXPECT_EQ(StoredSpeedIndex(), 2);
    EXPECT_TRUE(SpeedRaised());
    ExpectIdle();
}

// An image that does not decode is skipped and the run goes on.
TEST_F(Acquisition, StopDuringVideoIsSilentAndStillCleansUp) {
    scanner_sim::Config config;
    config.images = {Bytes(500, 0x00), scanner_sim::MakeTestBitmap(40, 30, 0)};
    Open(config, Video);
    window->onImage = [&](int n) {
        if (n == 2)
            QTest::mouseClick(window->Toolbar()->Control(CToolbarDlg::IDC_STOP), Qt::LeftButton);
    };
    PressStart();
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(window->images, 2);
    EXPECT_EQ(sim->ImagesServed(), 4);
    EXPECT_EQ(window->ImageView()->SourceImage().size(), QSize(40, 30));
    EXPECT_EQ(LastCommand(), 0x00);
    EXPECT_EQ(sim->BaudIndex(), 2);
    ExpectIdle();
}

TEST_F(Acquisition, SecondStopDuringTheFinalLeaveAsks) {
    for (MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
        scanner_sim::Config config;
        config.commandAckDelayMs = 100;
        Open(config, Video);
        boxes.AnswerWith([&](const MessageBoxRequest&) { return answer; });
        const size_t before = boxes.Shown().size();
        window->onImage = [&](int) {
            PostStopRequest(0);
            PostStopRequest(0);
        };
        PressStart();
        ASSERT_EQ(boxes.Shown().size(), before + 1);
        const MessageBoxRequest& box = boxes.Shown().back();
        EXPECT_TRUE(box.text.contains(QStringLiteral("Прервать операцию?")));
        EXPECT_EQ(box.icon, MsgIcon::Warning);
        EXPECT_EQ(box.buttons, MsgButtons::YesNo);
        EXPECT_EQ(box.defaultButton, MsgResult::No);
        // No repeats the leave, which then completes: the device has left the image-load state.
        const auto writes = sim->ImageCommandWrites();
        const auto leaves = std::count_if(writes.begin(), writes.end(),
                                          [](const auto& w) { return w.command == 0; });
        EXPECT_EQ(leaves, answer == MsgResult::No ? 3 : 2);
        ExpectIdle();
    }
}

TEST_F(Acquisition, DeviceErrorDuringTheFinalLeaveOffersARetry) {
    scanner_sim::Config config;
    Open(config, Snapshot);
    sim->InjectStatus(CMD_WRITE_MEMORY, 147, 1, 2);  // the third write is the final leave
    boxes.AnswerWith([](const MessageBoxRequest&) { return MsgResult::Yes; });
    PressStart();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_TRUE(boxes.Texts()[0].contains(QStringLiteral("(147) Ошибка записи во флеш-память")));
    EXPECT_TRUE(boxes.Texts()[0].endsWith(QStringLiteral("Повторить операцию?")));
    EXPECT_EQ(LastCommand(), 0x00);
    ExpectIdle();
}

TEST_F(Acquisition, VideoByTriggerAlreadyPressedGivesNoImage) {
    Open({}, VideoByTrigger);
    sim->SetRequestObserver([this](const scanner_sim::Request& request) {
        if (request.command == CMD_TRIGGER && request.params == Bytes{0}) sim->PressTrigger();
    });
    PressStart();
    EXPECT_EQ(window->images, 0);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(LastCommand(), 0x00);
    ExpectIdle();
}

TEST_F(Acquisition, VideoThenSnapshotByTrigger) {
    Open({}, VideoThenSnapshotByTrigger);
    window->onImage = [&](int n) {
        if (n == 2) sim->PressTrigger();
    };
    PressStart();
    const auto requests = Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests.front()[11], 10) << "video images first";
    EXPECT_EQ(requests.back()[11], 2) << "then one snapshot";
    EXPECT_EQ(window->images, static_cast<int>(requests.size()));
    ExpectIdle();
}

TEST_F(Acquisition, SnapshotByTriggerWaitsWithItsText) {
    Open({}, SnapshotByTrigger);
    window->onText = [&](const QString& text) {
        if (text == QStringLiteral("Ожидание нажатия на курок...")) sim->PressTrigger();
    };
    window->onImage = [&](int n) {
        if (n == 2)
            QTest::mouseClick(window->Toolbar()->Control(CToolbarDlg::IDC_STOP), Qt::LeftButton);
    };
    PressStart();
    EXPECT_EQ(window->images, 2);
    EXPECT_TRUE(boxes.Texts().empty());
    ExpectIdle();
}

TEST_F(Acquisition, ParametersAppliedDuringVideoTakeEffectWithTheNextImage) {
    Open({}, Video);
    window->onImage = [&](int n) {
        if (n == 1) {
            window->ShowImageParams(true);
            CImagePropertiesDlg* dialog = window->ImageParamsDialog();
            static_cast<QComboBox*>(dialog->Control(CImagePropertiesDlg::IDC_MODE_LIST))
                ->setCurrentIndex(1);
            static_cast<QLineEdit*>(dialog->Control(CImagePropertiesDlg::IDC_JPEG_QUALITY))
                ->setText(QStringLiteral("33"));
            static_cast<QPushButton*>(dialog->Control(CImagePropertiesDlg::IDC_APPLY))->click();
        }
        if (n == 2)
            QTest::mouseClick(window->Toolbar()->Control(CToolbarDlg::IDC_STOP), Qt::LeftButton);
    };
    PressStart();
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0][12], 90);
    EXPECT_EQ(requests[1][12], 33);
}

TEST_F(Acquisition, ImageOfThreeHundredBytesIsThreeReadsWithProgress) {
    scanner_sim::Config config;
    config.images = {Bytes(300, 0x42)};  // not an image: nothing is shown, nothing reported
    Open(config, Snapshot);
    PressStart();
    std::vector<int> counts;  // of the reads from the image data on, past the 24-byte header
    for (const auto& r : sim->Log())
        if (r.command == CMD_READ_MEMORY && r.params[3] == 0x01 && r.params[0] >= 24)
            counts.push_back(r.params[4]);
    EXPECT_EQ(counts, (std::vector<int>{128, 128, 44}));
    const auto progress = Progress();
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_TRUE(progress[0].startsWith(QStringLiteral("Выполнено:  42% (")));
    EXPECT_TRUE(progress[2].startsWith(QStringLiteral("Выполнено: 100% (")));
    EXPECT_TRUE(progress[2].endsWith(QStringLiteral(" байт/cек.)")));
    EXPECT_EQ(window->images, 0);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(Acquisition, CloseDuringARunClosesAfterItWithTheSettingsSaved) {
    Open({}, Video);
    window->onImage = [&](int) { window->close(); };
    PressStart();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(LastCommand(), 0x00);
    EXPECT_TRUE(QFile::exists(Ini()));
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(Acquisition, DeviceWithoutSpeedCommandRunsAtItsOwnSpeed) {
    scanner_sim::Config config;
    config.hasBaudCommand = false;
    config.baudIndex = 4;
    Open(config, Snapshot, 2);
    PressStart();
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(window->images, 1);
    EXPECT_EQ(StoredSpeedIndex(), 4) << "the stored speed follows the port";
}

// Esc right after Start lands in the wait that follows raising the scanner's speed: the run
// ends silently and the scanner gets its own speed back.
TEST_F(Acquisition, StopDuringTheSpeedChangeStillPutsTheSpeedBack) {
    Open({}, Snapshot);
    QTimer::singleShot(0, [&] { QTest::keyClick(window.get(), Qt::Key_Escape); });
    PressStart();
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(window->images, 0);
    EXPECT_TRUE(SpeedRaised()) << "the stop came after the scanner was told to change";
    ExpectIdle();
    // The scanner switches a little after it answers; by then it must have been set back.
    QTest::qWait(150);
    EXPECT_EQ(sim->BaudIndex(), 2);
    EXPECT_EQ(StoredSpeedIndex(), 2);
}

TEST_F(Acquisition, NothingAnsweringIsNoLink) {
    Open({}, Snapshot);
    sim->GoSilent(true);
    Reconnect(sim->SlavePath(), 2, 100);
    PressStart();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], QStringLiteral("(-1) Нет связи"));
    EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Error);
    ExpectIdle();
}

TEST_F(Acquisition, VanishedDeviceLeavesTheWindowUsable) {
    scanner_sim::Config config;
    config.images = {scanner_sim::MakeTestBitmap(200, 150, 0)};
    Open(config, Video);
    window->onText = [&](const QString& text) {
        if (text.startsWith(QStringLiteral("Выполнено:"))) sim->Vanish();
    };
    boxes.AnswerWith([](const MessageBoxRequest& box) {
        return box.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    });
    PressStart();
    EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("(-1) Нет связи")})
        << "one vanished scanner, one message: no question, no failed speed restore";
    ExpectIdle();

    // The port was closed: a new scanner on a new port works at once.
    window->onText = nullptr;
    auto second = std::make_unique<scanner_sim::Scanner>(scanner_sim::Config{});
    Reconnect(second->SlavePath(), 2, 1000);
    window->Toolbar()->SetModeSelection(Snapshot);
    const size_t shown = boxes.Shown().size();
    const int images = window->images;
    PressStart();
    EXPECT_EQ(boxes.Shown().size(), shown);
    EXPECT_EQ(window->images, images + 1);
}
