// Keeping images through the real main window against the simulated scanner: Save, saving every
// image as it arrives, its failures, its settings and the drag out of the view.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>
#include <map>
#include <optional>

#include "app/image_properties_dlg.h"
#include "core/run_loop.h"
#include "imaging/image_viewer.h"
#include "tests/app/window_fixture.h"
#include "tests/support/disk_full.h"
#include "tests/support/read_only_folder.h"
#include "tools/scanner-sim/test_bitmap.h"
#include "ui/file_dialog.h"

namespace {

using scanner_sim::Bytes;
using D = CImagePropertiesDlg;

QByteArray AsBytes(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

Bytes Jpeg() {
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) image.setPixel(x, y, qRgb(x * 4, y * 5, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "jpeg").write(image);
    return Bytes(bytes.begin(), bytes.end());
}

class ImageSaving : public WindowTest {
protected:
    ImageSaving() { previousDialog = SetSaveDialogHandler(nullptr); }
    ~ImageSaving() override { SetSaveDialogHandler(previousDialog); }

    void Open(std::vector<Bytes> images, int mode) {
        scanner_sim::Config config;
        config.images = std::move(images);
        WindowTest::Open(std::move(config), mode, 2, extraIni);
    }
    // Confirms saving every image into `folder` through the image parameters dialog.
    void SaveEveryImageInto(const QString& folder) {
        D* dialog = window->ImageParamsDialog();
        qobject_cast<QCheckBox*>(dialog->Control(D::IDC_SAVE_EVERY))->setChecked(true);
        qobject_cast<QLineEdit*>(dialog->Control(D::IDC_SAVE_FOLDER))->setText(folder);
        qobject_cast<QPushButton*>(dialog->Control(D::IDC_APPLY))->click();
    }
    // Ctrl+S, answered with `path` and the filter at `filter`.
    void PressCtrlS(const QString& path, int filter = 0) {
        SetSaveDialogHandler([this, path, filter](const SaveDialogRequest& r) {
            asked = r;
            return SaveDialogAnswer{path, filter};
        });
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    }
    QStringList Files(const QString& folder) const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // The folder's images in the order their names give: time, then the "-2", "-3" suffix.
    std::vector<QByteArray> SavedInNameOrder(const QString& folder) const {
        static const QRegularExpression name(
            QStringLiteral("^(veltor-\\d{8}-\\d{6}-\\d{3})(?:-(\\d+))?\\.bmp$"));
        std::map<std::pair<QString, int>, QByteArray> ordered;
        for (const QString& file : Files(folder)) {
            const auto match = name.match(file);
            EXPECT_TRUE(match.hasMatch()) << file.toStdString();
            const int number = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
            ordered[{match.captured(1), number}] = ReadWholeFile(folder + '/' + file);
        }
        std::vector<QByteArray> contents;
        for (const auto& [key, bytes] : ordered) contents.push_back(bytes);
        return contents;
    }

    QString folder = dir.filePath(QStringLiteral("Мои снимки 2"));
    QByteArray extraIni;
    SaveDialogHandler previousDialog;
    SaveDialogRequest asked{};
};

}  // namespace

// Ctrl+S after a snapshot: in the image's own type the file is the bytes served; as PNG it is
// the same picture.
TEST_F(ImageSaving, CtrlSWritesTheBytesServedOrConvertsThem) {
    ASSERT_TRUE(QDir().mkpath(folder));
    struct Case {
        Bytes image;
        QString name, firstFilter;
        bool verbatim;
    };
    const Case cases[] = {{scanner_sim::MakeTestBitmap(64, 48, 3), "a.bmp", "BMP", true},
                          {Jpeg(), "b.jpg", "JPEG", true},
                          {Jpeg(), "c.png", "JPEG", false}};
    for (const Case& c : cases) {
        Open({c.image}, Snapshot);
        QWidget* save = window->Toolbar()->Control(CToolbarDlg::IDC_SAVE);
        EXPECT_FALSE(save->isEnabled()) << "nothing to save yet";
        PressStart();
        EXPECT_TRUE(save->isEnabled());
        const QString path = folder + '/' + c.name;
        PressCtrlS(path);
        EXPECT_TRUE(asked.filters.first().contains(c.firstFilter));
        EXPECT_EQ(asked.filters.size(), 3);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("/veltor-\\d{8}-\\d{6}\\.(bmp|jpg)$"))
                        .match(asked.proposedPath)
                        .hasMatch())
            << asked.proposedPath.toStdString();
        const QByteArray written = ReadWholeFile(path);
        if (c.verbatim) {
            EXPECT_EQ(written, AsBytes(c.image)) << c.name.toStdString();
        } else {
            EXPECT_TRUE(written.startsWith("\x89PNG"));
            EXPECT_EQ(QImage::fromData(written).convertToFormat(QImage::Format_RGB32),
                      window->ImageView()->SourceImage().convertToFormat(QImage::Format_RGB32));
        }
        EXPECT_EQ(window->StatusLine()->text(), "Сохранено: " + c.name);
        EXPECT_TRUE(boxes.Texts().empty()) << boxes.Joined();
        window->close();
    }
    // The next dialog opens in the folder last saved into, also after a restart.
    window = std::make_unique<HookedWindow>(Ini());
    window->show();
    PressStart();
    PressCtrlS(folder + "/d.jpg");
    EXPECT_EQ(QFileInfo(asked.proposedPath).absolutePath(), folder);
}

TEST_F(ImageSaving, AFailedSaveLeavesNoFileAndSaysWhy) {
    ASSERT_TRUE(QDir().mkpath(folder));
    Open({scanner_sim::MakeTestBitmap(64, 48, 0)}, Snapshot);
    PressStart();
    PressCtrlS(dir.filePath("missing/a.bmp"));
    SaveOnAFullDisk([&] {
        PressCtrlS(folder + "/b.bmp");
        return true;
    });
    ASSERT_EQ(boxes.Texts().size(), 2u) << boxes.Joined();
    EXPECT_TRUE(boxes.Texts()[0].contains(QString::fromLocal8Bit(strerror(ENOENT))));
    EXPECT_TRUE(boxes.Texts()[0].contains(dir.filePath("missing/a.bmp")));
    EXPECT_TRUE(boxes.Texts()[1].contains(QString::fromLocal8Bit(strerror(EFBIG))));
    EXPECT_TRUE(Files(folder).isEmpty()) << Files(folder).join(' ').toStdString();
}

// One file per frame, named in arrival order, each the bytes served.
TEST_F(ImageSaving, EveryFrameOfAVideoIsSavedAsReceived) {
    ASSERT_TRUE(QDir().mkpath(folder));
    std::vector<Bytes> frames;
    for (int i = 0; i < 5; ++i) frames.push_back(scanner_sim::MakeTestBitmap(64, 48, i));
    Open(frames, Video);
    SaveEveryImageInto(folder);
    window->onImage = [&](int n) {
        if (n == 5) PostStopRequest(0);
    };
    PressStart();
    EXPECT_TRUE(boxes.Texts().empty()) << boxes.Joined();
    const std::vector<QByteArray> saved = SavedInNameOrder(folder);
    ASSERT_EQ(saved.size(), 5u);
    for (size_t i = 0; i < saved.size(); ++i) EXPECT_EQ(saved[i], AsBytes(frames[i])) << i;
}

// A folder made read-only halfway, or a full disk: one message, no partial file, the run goes
// on; saving resumes once the setting is confirmed again.
TEST_F(ImageSaving, AnUnwritableFolderIsToldOnceAndTheRunGoesOn) {
    for (bool readOnly : {true, false}) {
        boxes.Clear();
        const QString into = folder + (readOnly ? "/ro" : "/full");
        ASSERT_TRUE(QDir().mkpath(into));
        Open({scanner_sim::MakeTestBitmap(64, 48, 0)}, Video);
        SaveEveryImageInto(into);
        std::optional<ReadOnlyFolder> locked;
        window->onImage = [&](int n) {
            if (n == 2 && readOnly) locked.emplace(into);
            if (n == 6) PostStopRequest(0);
        };
        SaveOnAFullDisk(
            [&] {
                PressStart();
                return true;
            },
            readOnly ? RLIM_INFINITY : 4096);
        if (readOnly && !locked->ok()) GTEST_SKIP() << "no way to make a folder read-only here";
        EXPECT_EQ(window->images, 6) << "the run went on";
        ASSERT_EQ(boxes.Texts().size(), 1u) << boxes.Joined();
        EXPECT_TRUE(boxes.Texts()[0].contains(into));
        EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Error);
        EXPECT_EQ(Files(into).size(), readOnly ? 2 : 0) << Files(into).join(' ').toStdString();
        EXPECT_TRUE(window->AutoSaving().IsPaused());

        locked.reset();
        SaveEveryImageInto(into);
        EXPECT_FALSE(window->AutoSaving().IsPaused());
        window->Toolbar()->SetModeSelection(Snapshot);
        PressStart();
        EXPECT_EQ(Files(into).size(), readOnly ? 3 : 1) << "saving resumed";
        window->close();
    }
}

TEST_F(ImageSaving, TheSettingHasASectionOfItsOwnAndKeepsAnyFolderName) {
    extraIni = "[ImageSaving]\nSaveEveryImage=1\nFolder=" + folder.toUtf8() + "\n";
    Open({}, Snapshot);
    EXPECT_TRUE(window->AutoSaving().Setting().enabled);
    EXPECT_EQ(window->AutoSaving().Setting().folder, folder);
    auto* edit = qobject_cast<QLineEdit*>(window->ImageParamsDialog()->Control(D::IDC_SAVE_FOLDER));
    EXPECT_EQ(edit->text(), folder);

    const QString other = QStringLiteral(" Папка  с пробелами \"x\" ");
    SaveEveryImageInto(other);
    qobject_cast<QCheckBox*>(window->ImageParamsDialog()->Control(D::IDC_SAVE_EVERY))
        ->setChecked(false);
    qobject_cast<QPushButton*>(window->ImageParamsDialog()->Control(D::IDC_APPLY))->click();
    window->close();
    const QByteArray ini = ReadWholeFile(Ini());
    EXPECT_TRUE(ini.contains("\n[ImageSaving]\nSaveEveryImage=0\nFolder=\"" + other.toUtf8() +
                             "\"\nLastFolder=\n"))
        << ini.toStdString();

    extraIni.clear();
    window = std::make_unique<HookedWindow>(Ini());
    EXPECT_FALSE(window->AutoSaving().Setting().enabled);
    EXPECT_EQ(window->AutoSaving().Setting().folder, other);
    EXPECT_TRUE(boxes.Texts().empty()) << boxes.Joined();

    // Switched on without a folder it is refused, and the setting stays as it was.
    SaveEveryImageInto("  ");
    EXPECT_EQ(boxes.Texts(), QStringList("Укажите папку, в которую сохранять изображения."));
    EXPECT_FALSE(window->AutoSaving().Setting().enabled);
}

// A drag gives the picture and a file in the temporary folder named like a saved image, holding
// the bytes served; a second drag of the same image reuses the file.
TEST_F(ImageSaving, ADragCarriesThePictureAndTheReceivedFile) {
    const Bytes jpeg = Jpeg();
    Open({jpeg}, Snapshot);
    EXPECT_EQ(window->ImageView()->DragData(), nullptr) << "an empty view gives nothing";
    PressStart();
    std::unique_ptr<QMimeData> data(window->ImageView()->DragData());
    ASSERT_TRUE(data && data->hasImage() && data->hasUrls());
    EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), QSize(64, 48));
    const QString file = data->urls().value(0).toLocalFile();
    EXPECT_TRUE(file.startsWith(QDir::tempPath() + '/'));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^veltor-\\d{8}-\\d{6}\\.jpg$"))
                    .match(QFileInfo(file).fileName())
                    .hasMatch())
        << file.toStdString();
    EXPECT_EQ(ReadWholeFile(file), AsBytes(jpeg));
    std::unique_ptr<QMimeData> again(window->ImageView()->DragData());
    EXPECT_EQ(again->urls().value(0).toLocalFile(), file);
    EXPECT_EQ(Files(QFileInfo(file).absolutePath()).size(), 1);
}
