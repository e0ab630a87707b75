// What assistive tools see of the main window: names on the mode list and the status line, and
// an Image parameters button whose action opens the dialog.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "app/image_properties_dlg.h"
#include "app/toolbar_dlg.h"
#include "app/veltor_dlg.h"

namespace {

QAccessibleInterface* Accessible(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

class Accessibility : public ::testing::Test {
protected:
    QTemporaryDir dir;
    CVeltorDlg window{dir.filePath(QStringLiteral("veltor.ini"))};
};

// On this platform Qt names a combo box to assistive tools by its current entry, so the mode
// list's own name is checked on the widget; the status line's goes through the interface.
TEST_F(Accessibility, ModeListAndStatusLineHaveNamesAndDescriptions) {
    QWidget* modes = window.Toolbar()->Control(CToolbarDlg::IDC_MODE_LIST);
    EXPECT_EQ(modes->accessibleName(), QStringLiteral("Режим получения"));
    EXPECT_EQ(modes->accessibleDescription(), QStringLiteral("Режим получения"));
    QAccessibleInterface* status = Accessible(window.StatusLine());
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(QAccessible::Name), QStringLiteral("Строка состояния"));
    EXPECT_EQ(status->text(QAccessible::Description), QStringLiteral("Строка состояния"));
}

// Its action is a click, whatever a tool calls it; the pressed state follows the dialog.
TEST_F(Accessibility, ImageParamsButtonsActionOpensAndClosesTheDialog) {
    window.show();
    QWidget* button = window.Toolbar()->Control(CToolbarDlg::IDC_IMAGE_PARAMS);
    QAccessibleInterface* accessible = Accessible(button);
    ASSERT_NE(accessible, nullptr);
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Параметры изображения..."));
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    EXPECT_TRUE(accessible->state().checkable);

    const QWidget* dialog = window.ImageParamsDialog();
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->isVisible(); }, 1000));
    EXPECT_TRUE(accessible->state().checked);
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, 1000));
    EXPECT_FALSE(accessible->state().checked);
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->isVisible(); }, 1000));
    EXPECT_TRUE(window.Toolbar()->IsImageParamsChecked());
}

}  // namespace
