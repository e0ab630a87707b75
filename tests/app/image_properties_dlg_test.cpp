#include "app/image_properties_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "tests/support/message_boxes.h"

namespace {

using D = CImagePropertiesDlg;

const ImageParameters kSnapshot{1, -1, -1, 2, 80};
const ImageParameters kVideo{0, 640, 480, 10, 90};

// The dialog with an owner that answers its requests the way the main window does: it keeps
// the two sets, fills the dialog on a load request, takes it back on apply and hides it.
class ImagePropertiesDlgTest : public testing::Test {
protected:
    ImagePropertiesDlgTest() : dialog_(&owner_), applies_(&dialog_, &D::applyRequested) {
        QObject::connect(&dialog_, &D::loadRequested, [this] { Load(); });
        QObject::connect(&dialog_, &D::applyRequested, [this] {
            (dialog_.ModeSelection() == 0 ? snapshot_ : video_) = dialog_.Parameters();
        });
        QObject::connect(&dialog_, &D::hideRequested, [this] { dialog_.hide(); });
        Load();
        dialog_.show();
        dialog_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    }

    void Load() { dialog_.SetParameters(dialog_.ModeSelection() == 0 ? snapshot_ : video_); }

    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(dialog_.Control(id)); }
    QComboBox* List(int id) { return qobject_cast<QComboBox*>(dialog_.Control(id)); }

    void Type(int id, const QString& text) {
        Edit(id)->clear();
        QTest::keyClicks(Edit(id), text);
    }
    void Apply() { QTest::keyClick(Edit(D::IDC_WIDTH), Qt::Key_Return); }

    QWidget owner_;
    CImagePropertiesDlg dialog_;
    QSignalSpy applies_;
    ImageParameters snapshot_ = kSnapshot;
    ImageParameters video_ = kVideo;
    MessageBoxes boxes_;
};

// Every field is named by its label (less the colon), which is its buddy.
TEST_F(ImagePropertiesDlgTest, IsAToolWindowWithLabelledFields) {
    EXPECT_TRUE(dialog_.windowFlags() & Qt::Tool);
    int labelled = 0;
    for (QLabel* label : dialog_.findChildren<QLabel*>()) {
        if (!label->buddy()) continue;
        ++labelled;
        EXPECT_EQ(label->buddy()->accessibleName() + ":", label->text());
    }
    EXPECT_EQ(labelled, 7);
    EXPECT_TRUE(qobject_cast<QPushButton*>(dialog_.Control(D::IDC_APPLY))->isDefault());

    // Tab walks the fields in their order and comes back round.
    const int order[] = {D::IDC_MODE_LIST,  D::IDC_FORMAT,      D::IDC_WIDTH,
                         D::IDC_HEIGHT,     D::IDC_SUBSAMPLING, D::IDC_JPEG_QUALITY,
                         D::IDC_SAVE_EVERY, D::IDC_SAVE_FOLDER, D::IDC_BROWSE,
                         D::IDC_APPLY,      D::IDC_MODE_LIST};
    dialog_.Control(order[0])->setFocus();
    for (int id : order) {
        EXPECT_EQ(QApplication::focusWidget(), dialog_.Control(id)) << id;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

TEST_F(ImagePropertiesDlgTest, ShowsTheSetAndAppliesWhatWasTyped) {
    EXPECT_EQ(List(D::IDC_FORMAT)->currentText(), "JPEG");
    EXPECT_EQ(Edit(D::IDC_WIDTH)->text(), "-1");
    EXPECT_EQ(Edit(D::IDC_SUBSAMPLING)->text(), "2");

    List(D::IDC_FORMAT)->setCurrentIndex(0);
    Type(D::IDC_WIDTH, "65535");        // the low 16 bits: -1
    Type(D::IDC_HEIGHT, " 70000");      // 70000 - 65536
    Type(D::IDC_SUBSAMPLING, "12abc");  // the leading number
    Type(D::IDC_JPEG_QUALITY, "255");
    Apply();
    EXPECT_TRUE(boxes_.Shown().empty()) << boxes_.Joined();
    EXPECT_EQ(applies_.count(), 1);
    EXPECT_EQ(snapshot_, (ImageParameters{0, -1, 4464, 12, 255}));
    EXPECT_EQ(video_, kVideo);
    EXPECT_EQ(Edit(D::IDC_SUBSAMPLING)->text(), "12abc") << "the field keeps what was typed";
    EXPECT_TRUE(dialog_.isVisible()) << "Apply does not close the dialog";
}

TEST_F(ImagePropertiesDlgTest, RefusesFieldsThatAreNoNumberAndFocusesThem) {
    const struct {
        int id;
        const char* text;
        const char* message;
    } cases[] = {
        {D::IDC_WIDTH, "abc", "Please enter an integer."},
        {D::IDC_HEIGHT, "", "Please enter an integer."},
        {D::IDC_SUBSAMPLING, "-1", "Please enter an integer between 0 and 255."},
        {D::IDC_JPEG_QUALITY, "256", "Please enter an integer between 0 and 255."},
    };
    for (const auto& refused : cases) {
        Load();
        boxes_.Clear();
        Type(refused.id, refused.text);
        Apply();
        ASSERT_EQ(boxes_.Texts(), QStringList{refused.message}) << refused.text;
        EXPECT_EQ(boxes_.Shown()[0].icon, MsgIcon::Warning);
        EXPECT_EQ(boxes_.Shown()[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(QApplication::focusWidget(), Edit(refused.id)) << refused.text;
        EXPECT_EQ(Edit(refused.id)->selectedText(), refused.text);
    }
    EXPECT_EQ(applies_.count(), 0);
    EXPECT_EQ(dialog_.Parameters(), kSnapshot) << "a refused Apply changes nothing";
    EXPECT_EQ(snapshot_, kSnapshot);
}

TEST_F(ImagePropertiesDlgTest, AModeSwitchDiscardsTypingAndHidingKeepsIt) {
    Type(D::IDC_WIDTH, "320");
    List(D::IDC_MODE_LIST)->setCurrentIndex(1);
    EXPECT_EQ(Edit(D::IDC_WIDTH)->text(), "640") << "the video set replaces the typing";
    EXPECT_EQ(List(D::IDC_FORMAT)->currentText(), "BMP");

    Type(D::IDC_HEIGHT, "200");
    QTest::keyClick(&dialog_, Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    dialog_.show();
    EXPECT_EQ(Edit(D::IDC_HEIGHT)->text(), "200");

    EXPECT_FALSE(dialog_.close()) << "the close box only asks the owner";
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(applies_.count(), 0);
    EXPECT_EQ(video_, kVideo);
    EXPECT_EQ(snapshot_, kSnapshot);
}

TEST_F(ImagePropertiesDlgTest, AFormatOutOfRangeShowsNoSelection) {
    dialog_.SetParameters({7, 0, 0, 0, 0});
    EXPECT_EQ(List(D::IDC_FORMAT)->currentIndex(), -1);
    Apply();
    EXPECT_EQ(dialog_.Parameters().ImageFormat, -1);
}

}  // namespace
