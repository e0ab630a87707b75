#include "ui/error_reporter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <stdexcept>
#include <vector>

#include "core/exceptions.h"
#include "core/object_description.h"
#include "core/run_loop.h"
#include "tests/support/message_boxes.h"
#include "ui/ui_helpers.h"

namespace {

// What description() and what() say differ, so the test sees which one was used.
class described_failure : public std::exception, public object_description {
public:
    described_failure() : object_description("Текст для пользователя") {}
    const char* what() const noexcept override { return "internal text"; }
};

class CMessageException : public CException {
public:
    std::string ErrorMessage() const override { return "Toolkit failure"; }
};

class ReporterTest : public ::testing::Test {
protected:
    void Report(const std::function<void()>& fail) {
        try {
            fail();
        } catch (...) {
            ReportCurrentException();
        }
    }
    // Reports one failure and returns the text of the only box it showed.
    QString ReportedText(const std::function<void()>& fail) {
        boxes.Clear();
        Report(fail);
        EXPECT_EQ(boxes.Shown().size(), 1u);
        return boxes.Texts().value(0);
    }

    MessageBoxes boxes;
};

TEST_F(ReporterTest, StopAndToldFailuresShowNothing) {
    Report([] { throw stop_exception(0); });
    Report([] { throw CUserException(); });
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ReporterTest, EachFamilyShowsItsOwnText) {
    EXPECT_EQ(ReportedText([] { throw described_failure(); }), "Текст для пользователя");
    EXPECT_EQ(ReportedText([] { throw CMessageException(); }), "Toolkit failure");
    EXPECT_EQ(ReportedText([] { throw CException(); }), "No error message is available.");
    EXPECT_EQ(ReportedText([] { throw std::length_error("vector too long"); }), "vector too long");
    EXPECT_EQ(ReportedText([] { throw 42; }), "Неизвестное исключение");
}

// With the program in the background nothing is active; the box still belongs to the window.
TEST_F(ReporterTest, BoxIsAnErrorWithOkOwnedByTheProgramsWindow) {
    QWidget window;
    window.show();
    for (QWidget* active : {&window, static_cast<QWidget*>(nullptr)}) {
        boxes.Clear();
        QApplication::setActiveWindow(active);
        Report([] { throw std::runtime_error("x"); });
        ASSERT_EQ(boxes.Shown().size(), 1u);
        const MessageBoxRequest& box = boxes.Shown()[0];
        EXPECT_EQ(box.icon, MsgIcon::Error);
        EXPECT_EQ(box.buttons, MsgButtons::Ok);
        EXPECT_EQ(box.caption, "ui_tests");
        EXPECT_EQ(box.owner, &window) << (active ? "active" : "in the background");
    }
}

TEST_F(ReporterTest, NeverThrowsAndIgnoresACallOutsideAHandler) {
    EXPECT_NO_THROW(ReportCurrentException());
    EXPECT_TRUE(boxes.Shown().empty());
    SetMessageBoxHandler([](const MessageBoxRequest&) -> MsgResult { throw std::bad_alloc(); });
    EXPECT_NO_THROW(Report([] { throw std::runtime_error("x"); }));
}

TEST(MessageBoxTest, CaptionDropsOnlyTheLastExtension) {
    EXPECT_EQ(FileNameWithoutExtension("/opt/veltor/veltor.bin"), "veltor");
    EXPECT_EQ(FileNameWithoutExtension("/opt/my.app.exe"), "my.app");
    EXPECT_EQ(FileNameWithoutExtension("/usr/bin/veltor"), "veltor");
    EXPECT_EQ(ApplicationName(), "ui_tests");
}

// The real box: modal over its owner, with the requested icon, buttons and default.
TEST(MessageBoxTest, RealBoxIsModalAndReturnsTheButtonPressed) {
    QWidget owner;
    owner.show();
    QMessageBox* seen = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title, text;
    bool defaultIsNo = false, ownedAndModal = false;
    QTimer::singleShot(0, [&] {
        seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!seen) return;
        icon = seen->icon();
        title = seen->windowTitle();
        text = seen->text();
        defaultIsNo = seen->defaultButton() == seen->button(QMessageBox::No);
        ownedAndModal = seen->parentWidget() == &owner && seen->isModal();
        seen->button(QMessageBox::Yes)->click();
    });
    MsgResult answer =
        ShowMessageBox(&owner, "Прервать?", MsgIcon::Warning, MsgButtons::YesNo, MsgResult::No);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(answer, MsgResult::Yes);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(title, "ui_tests");
    EXPECT_EQ(text, "Прервать?");
    EXPECT_TRUE(defaultIsNo);
    EXPECT_TRUE(ownedAndModal);
}

// A question is answered only by its buttons: Esc and closing the box leave it open. An OK box
// still closes on Esc.
TEST(MessageBoxTest, QuestionIgnoresEscAndCloseButOkBoxTakesEsc) {
    QWidget owner;
    owner.show();
    bool openAfterEscAndClose = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        QTest::keyClick(box, Qt::Key_Escape);
        box->close();
        openAfterEscAndClose = box->isVisible();
        static_cast<QMessageBox*>(box)->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(ShowMessageBox(&owner, "?", MsgIcon::Warning, MsgButtons::YesNo, MsgResult::Yes),
              MsgResult::No);
    EXPECT_TRUE(openAfterEscAndClose);

    bool closedByEsc = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        QTest::keyClick(box, Qt::Key_Escape);
        closedByEsc = !box->isVisible();
    });
    EXPECT_EQ(ShowMessageBox(&owner, "!", MsgIcon::Error), MsgResult::Ok);
    EXPECT_TRUE(closedByEsc);
}

TEST(BusyCursorTest, NestedGuardsRestoreTheCursor) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        BusyCursor outer;
        { BusyCursor inner; }
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
