#include "app/veltor_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/image_properties_dlg.h"
#include "app/veltor_app.h"
#include "app/version.h"
#include "imaging/image_viewer.h"
#include "tests/app/window_fixture.h"

namespace {

class MainWindow : public WindowTest {
protected:
    // Opens a window on the INI file, lets `check` look at it, then closes it (saving).
    void WithWindow(const std::function<void(CVeltorDlg&)>& check) {
        CVeltorDlg window(Ini());
        window.show();
        check(window);
        window.close();
        EXPECT_FALSE(window.isVisible());
    }
};

}  // namespace

// The image saving's section comes last; the seventeen keys before it are as they always were.
TEST_F(MainWindow, FirstStartUsesDefaultsAndCloseWritesAllKeysInOrder) {
    QSize initial;
    WithWindow([&](CVeltorDlg& w) {
        initial = w.size();
        EXPECT_EQ(w.minimumSize(), initial);
    });
    // The defaults are what is written.
    const QString expected = QStringLiteral(
                                 "[Connect]\nPortName=\nBaudRate=2\nTimeout=1000\n\n"
                                 "[ImageAcquisition]\nAcquisitionMode=0\n\n"
                                 "[ImageAcquisition\\Snapshot]\nImageFormat=1\nViewWidth=-1\n"
                                 "ViewHeight=-1\nSubsamplingCoeff=2\nJpegQuality=80\n\n"
                                 "[ImageAcquisition\\Video]\nImageFormat=1\nViewWidth=-1\n"
                                 "ViewHeight=-1\nSubsamplingCoeff=10\nJpegQuality=90\n\n"
                                 "[Window]\nIsMaximized=0\nWidth=%1\nHeight=%2\n\n"
                                 "[ImageSaving]\nSaveEveryImage=0\nFolder=\nLastFolder=\n")
                                 .arg(initial.width())
                                 .arg(initial.height());
    EXPECT_EQ(QString::fromUtf8(ReadIni()), expected);
}

TEST_F(MainWindow, StoredValuesAreTruncatedToTheirFieldsAndKeptUnchecked) {
    WriteIni(
        "; kept\r\n[Connect]\r\nPortName=/dev/ttyUSB7\r\nBaudRate=9\r\n[Extra]\r\nMine=1\r\n"
        "[ImageAcquisition]\r\nAcquisitionMode=7\r\n"
        "[imageacquisition\\snapshot]\r\nViewWidth=65535\r\nJpegQuality=300\r\n"
        "SubsamplingCoeff=-1\r\n[Window]\r\nWidth=10\r\nHeight=10\r\n");
    QSize minimum;
    WithWindow([&](CVeltorDlg& w) {
        minimum = w.minimumSize();
        EXPECT_EQ(w.SnapshotParameters().ViewWidth, -1);
        EXPECT_EQ(w.SnapshotParameters().JpegQuality, 44);
        EXPECT_EQ(w.SnapshotParameters().SubsamplingCoeff, 255);
        EXPECT_EQ(w.Toolbar()->ModeSelection(), -1);
        EXPECT_EQ(w.size(), minimum) << "a stored size below the template's is not taken";
    });
    const QString saved = QString::fromUtf8(ReadIni());
    EXPECT_TRUE(
        saved.startsWith(QStringLiteral("; kept\r\n[Connect]\r\nPortName=/dev/ttyUSB7\r\n")));
    EXPECT_TRUE(saved.contains(QStringLiteral("BaudRate=9\r\n")));
    EXPECT_TRUE(saved.contains(QStringLiteral("[Extra]\r\nMine=1\r\n")));
    EXPECT_TRUE(saved.contains(QStringLiteral("AcquisitionMode=-1\r\n")));
    EXPECT_TRUE(saved.contains(QStringLiteral("ViewWidth=-1\r\n")));
    EXPECT_TRUE(saved.contains(QStringLiteral("JpegQuality=44\r\n")));
}

// A time-out the settings sheet would refuse could make reads fail at once or block for days.
TEST_F(MainWindow, StoredTimeoutOutsideTheSheetsRangeIsTheDefault) {
    for (const char* stored : {"0", "-1", "300001", "2000000000"}) {
        WriteIni(QByteArray("[Connect]\nTimeout=") + stored + "\n");
        WithWindow([](CVeltorDlg&) {});
        EXPECT_TRUE(ReadIni().contains("Timeout=1000\n")) << stored;
    }
    WriteIni("[Connect]\nTimeout=300000\n");
    WithWindow([](CVeltorDlg&) {});
    EXPECT_TRUE(ReadIni().contains("Timeout=300000\n"));
}

TEST_F(MainWindow, SizeAndMaximizedStateRoundTrip) {
    WithWindow([&](CVeltorDlg& w) {
        w.resize(w.minimumSize() + QSize(100, 60));
        QApplication::processEvents();
        w.showMaximized();
        QApplication::processEvents();
    });
    QSize restored;
    WithWindow([&](CVeltorDlg& w) {
        EXPECT_TRUE(w.isMaximized());
        w.showNormal();
        QApplication::processEvents();
        restored = w.size();
        EXPECT_EQ(restored, w.minimumSize() + QSize(100, 60));
    });
    EXPECT_TRUE(ReadIni().contains("IsMaximized=0"));
}

TEST_F(MainWindow, LayoutKeepsMarginsAndCentresTheToolbar) {
    WithWindow([&](CVeltorDlg& w) {
        auto margins = [&] {
            const QRect view = w.ImageView()->geometry();
            const QRect status = w.StatusLine()->geometry();
            return std::vector<int>{view.left(),
                                    view.top(),
                                    w.width() - view.right(),
                                    status.top() - view.bottom(),
                                    w.height() - status.bottom(),
                                    w.width() - status.right()};
        };
        const auto before = margins();
        w.resize(w.size() + QSize(200, 150));
        QApplication::processEvents();
        EXPECT_EQ(margins(), before);
        w.resize(w.minimumSize());
        QApplication::processEvents();
        EXPECT_EQ(margins(), before);
        const QRect bar = w.Toolbar()->geometry();
        EXPECT_LE(std::abs(bar.left() - (w.width() - bar.right() - 1)), 1);
        EXPECT_GT(bar.top(), w.StatusLine()->geometry().bottom());
    });
}

TEST_F(MainWindow, EscAndEnterNeverCloseTheWindow) {
    WithWindow([&](CVeltorDlg& w) {
        QTest::keyClick(&w, Qt::Key_Escape);
        QTest::keyClick(&w, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(w.IsBusy());
        EXPECT_TRUE(boxes.Shown().empty());
    });
}

TEST_F(MainWindow, ImageParamsButtonFollowsTheDialog) {
    WithWindow([&](CVeltorDlg& w) {
        auto* button =
            static_cast<QPushButton*>(w.Toolbar()->Control(CToolbarDlg::IDC_IMAGE_PARAMS));
        QTest::mouseClick(button, Qt::LeftButton);
        CImagePropertiesDlg* dialog = w.ImageParamsDialog();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(button->isChecked());
        const QPoint buttonTop = button->mapToGlobal(QPoint(0, 0));
        EXPECT_EQ(dialog->frameGeometry().left(), buttonTop.x());
        EXPECT_EQ(dialog->frameGeometry().bottom() + 1, buttonTop.y());

        QTest::keyClick(dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_FALSE(button->isChecked());

        dialog->move(dialog->pos() + QPoint(30, 20));
        const QPoint moved = dialog->pos();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(dialog->pos(), moved) << "later showings keep the user's place";
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(dialog->isVisible());
    });
}

TEST_F(MainWindow, AppliedParametersGoToTheDialogsMode) {
    WithWindow([&](CVeltorDlg& w) {
        CImagePropertiesDlg* dialog = w.ImageParamsDialog();
        w.ShowImageParams(true);
        auto* quality =
            static_cast<QLineEdit*>(dialog->Control(CImagePropertiesDlg::IDC_JPEG_QUALITY));
        quality->setText(QStringLiteral("55"));
        QTest::mouseClick(
            static_cast<QPushButton*>(dialog->Control(CImagePropertiesDlg::IDC_APPLY)),
            Qt::LeftButton);
        EXPECT_EQ(w.SnapshotParameters().JpegQuality, 55);
        EXPECT_EQ(w.VideoParameters().JpegQuality, 90);
    });
    EXPECT_TRUE(ReadIni().contains("JpegQuality=55"));
}

TEST_F(MainWindow, CopyPutsTheFullImageOnTheClipboard) {
    WithWindow([&](CVeltorDlg& w) {
        QImage image(1280, 1024, QImage::Format_RGB32);
        image.fill(qRgb(10, 200, 30));
        w.ShowImage({image, QByteArray("BM"), ImageFileType::Bmp, QDateTime::currentDateTime()});
        QTest::mouseClick(w.Toolbar()->Control(CToolbarDlg::IDC_COPY), Qt::LeftButton);
        const QImage copied = QApplication::clipboard()->image();
        EXPECT_EQ(copied.size(), QSize(1280, 1024));
        EXPECT_EQ(copied.pixel(640, 512) & 0xFFFFFFu, 0x0AC81Eu);
        EXPECT_TRUE(boxes.Shown().empty());
    });
}

TEST(Version, RevisionShownOnlyWhenNotZero) {
    EXPECT_EQ(VersionString(1, 0, 5, 0), QStringLiteral("1.0.5"));
    EXPECT_EQ(VersionString(1, 0, 5, 2), QStringLiteral("1.0.5.2"));
}

TEST_F(MainWindow, SettingsSheetChangesValuesOnlyOnOk) {
    WriteIni("[Connect]\nPortName=/dev/veltor-test-port\nBaudRate=3\nTimeout=700\n");
    WithWindow([&](CVeltorDlg& w) {
        for (bool ok : {false, true}) {
            QTimer::singleShot(0, [ok] {
                auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                ASSERT_NE(sheet, nullptr);
                EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Настройки..."));
                auto* speed = sheet->findChild<QComboBox*>(QStringLiteral("1002"));
                ASSERT_NE(speed, nullptr);
                speed->setCurrentIndex(-1);
                ok ? sheet->accept() : sheet->reject();
            });
            QTest::mouseClick(w.Toolbar()->Control(CToolbarDlg::IDC_SETTINGS), Qt::LeftButton);
            w.ExchangeSettings(CVeltorDlg::Exchange::Save);
            EXPECT_TRUE(ReadIni().contains(ok ? "BaudRate=-1\n" : "BaudRate=3\n")) << ok;
        }
    });
    EXPECT_TRUE(ReadIni().contains("Timeout=700\n"));
}

TEST(StartUp, ProfilePathFailureShowsItsTextAndNoWindow) {
    MessageBoxes boxes;
    CVeltorApp app;
    EXPECT_NE(app.Run(QStringLiteral("/") + QString(5000, QLatin1Char('x'))), 0);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], QStringLiteral("Ошибка определения каталога программы"));
    EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Error);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(),
                             QApplication::topLevelWidgets().end(),
                             [](QWidget* w) { return w->isVisible(); }));
}
