// The main window under a real window manager: its size across maximizing, where it and the
// image parameters dialog appear once framed, and Enter on its buttons.

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "app/image_properties_dlg.h"
#include "app/toolbar_dlg.h"
#include "app/veltor_dlg.h"
#include "tests/support/message_boxes.h"
#include "tests/support/text_file.h"
#include "tests/support/x11_session.h"

namespace {

constexpr int kSettleMs = 3000;  // the longest a window manager's answer is waited for

class WindowX11 : public X11Test {
protected:
    QString Ini() const { return dir.filePath(QStringLiteral("veltor.ini")); }
    void WriteIni(const QByteArray& content) { ASSERT_TRUE(WriteWholeFile(Ini(), content)); }
    QByteArray ReadIni() const { return ReadWholeFile(Ini()); }
    // Shows the window and waits until the window manager has framed and activated it.
    static void ShowFramed(CVeltorDlg& window) {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return window.frameGeometry() != window.geometry(); }, kSettleMs))
            << "no frame from the window manager";
    }
    static bool Centred(const QRect& frame, const QRect& area) {
        return std::abs(frame.center().x() - area.center().x()) <= 1 &&
               std::abs(frame.center().y() - area.center().y()) <= 1;
    }

    QTemporaryDir dir;
    MessageBoxes boxes;
};

// Started maximized from the settings and closed maximized, the stored normal size is written
// back, and restoring the window gives that size.
TEST_F(WindowX11, StartedMaximizedKeepsTheStoredNormalSize) {
    WriteIni("[Window]\nIsMaximized=1\nWidth=596\nHeight=459\n");
    {
        CVeltorDlg window(Ini());
        ASSERT_LT(window.minimumSize().width(), 596);
        ShowFramed(window);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.width() > 596; }, kSettleMs));
        window.close();
    }
    EXPECT_TRUE(ReadIni().contains("IsMaximized=1\nWidth=596\nHeight=459\n")) << ReadIni().data();

    CVeltorDlg window(Ini());
    ShowFramed(window);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isMaximized(); }, kSettleMs));
    window.showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.size() == QSize(596, 459); }, kSettleMs))
        << window.width() << "x" << window.height();
    window.close();
    EXPECT_TRUE(ReadIni().contains("IsMaximized=0\nWidth=596\nHeight=459\n")) << ReadIni().data();
}

// The frame, not the client area, is centred; the parameters dialog's frame ends just above its
// button, so the dialog never covers it.
TEST_F(WindowX11, WindowsArePlacedByTheirFrames) {
    CVeltorDlg window(Ini());
    ShowFramed(window);
    const QRect area = window.screen()->availableGeometry();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Centred(window.frameGeometry(), area); }, kSettleMs))
        << "frame at " << window.frameGeometry().x() << "," << window.frameGeometry().y();

    QWidget* button = window.Toolbar()->Control(CToolbarDlg::IDC_IMAGE_PARAMS);
    QTest::mouseClick(button, Qt::LeftButton);
    CImagePropertiesDlg* dialog = window.ImageParamsDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    const QPoint buttonTop = button->mapToGlobal(QPoint(0, 0));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QRect frame = dialog->frameGeometry();
            return frame.height() > dialog->height() && frame.left() == buttonTop.x() &&
                   frame.bottom() + 1 == buttonTop.y();
        },
        kSettleMs))
        << "frame bottom " << dialog->frameGeometry().bottom() << ", button top " << buttonTop.y();
}

// Enter presses whichever button has the focus, and nothing elsewhere: the window stays.
TEST_F(WindowX11, EnterPressesTheFocusedButton) {
    CVeltorDlg window(Ini());
    ShowFramed(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto enter = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); };

    window.Toolbar()->Control(CToolbarDlg::IDC_IMAGE_PARAMS)->setFocus();
    enter();
    EXPECT_TRUE(window.ImageParamsDialog()->isVisible());
    window.ShowImageParams(false);

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.Toolbar()->Control(CToolbarDlg::IDC_MODE_LIST)->setFocus();
    enter();
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.IsBusy());
    EXPECT_FALSE(window.ImageParamsDialog()->isVisible());
    EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
