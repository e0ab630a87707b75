#include "app/toolbar_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/dialog_units.h"

namespace {

using T = CToolbarDlg;

class ToolbarTest : public testing::Test {
protected:
    ToolbarTest() : commands_(&toolbar_, &CToolbarDlg::command) { toolbar_.show(); }

    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(toolbar_.Control(id)); }
    QComboBox* ModeList() { return qobject_cast<QComboBox*>(toolbar_.Control(T::IDC_MODE_LIST)); }

    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }

    QList<int> Commands() {
        QList<int> ids;
        for (const QList<QVariant>& call : commands_) ids << call.at(0).toInt();
        return ids;
    }

    CToolbarDlg toolbar_;
    QSignalSpy commands_;
};

TEST(DialogUnitsTest, ConvertsFromTheFontsCharacterSize) {
    QFont font = QApplication::font();
    font.setPixelSize(13);
    DialogUnits units(font);
    QFontMetrics metrics(font);
    int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(units.BaseWidth(), qRound(letters / 52.0));
    EXPECT_EQ(units.BaseHeight(), metrics.height());
    EXPECT_EQ(units.X(4), units.BaseWidth());
    EXPECT_EQ(units.Y(8), units.BaseHeight());
    EXPECT_EQ(units.X(6), qRound(6 * units.BaseWidth() / 4.0));
    EXPECT_EQ(units.Y(-12), -qRound(12 * units.BaseHeight() / 8.0));
}

// One row, left to right in tab order without overlapping; every button names itself by its
// caption in the tooltip (Save adds its shortcut) and to assistive tools, and shows an icon.
TEST_F(ToolbarTest, ControlsSitInOneRowInTabOrderAndNameThemselves) {
    EXPECT_EQ(toolbar_.size(), DialogUnits().Size(228, 14));
    QWidget* previous = nullptr;
    for (int id : {T::IDC_START, T::IDC_STOP, T::IDC_COPY, T::IDC_SAVE, T::IDC_SETTINGS,
                   T::IDC_MODE_LIST, T::IDC_IMAGE_PARAMS}) {
        QWidget* control = toolbar_.Control(id);
        ASSERT_NE(control, nullptr) << id;
        EXPECT_TRUE(control->isVisible());
        EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus) << id;
        EXPECT_EQ(control->geometry().top(), 0);
        if (previous) {
            EXPECT_EQ(previous->nextInFocusChain(), control) << id;
            EXPECT_LT(previous->geometry().right(), control->geometry().left()) << id;
        }
        previous = control;
        if (id == T::IDC_MODE_LIST) continue;
        EXPECT_FALSE(Button(id)->toolTip().isEmpty()) << id;
        EXPECT_TRUE(Button(id)->toolTip().startsWith(Button(id)->accessibleName())) << id;
        EXPECT_FALSE(Button(id)->icon().pixmap(16, 16).isNull()) << id;
    }
    EXPECT_EQ(Button(T::IDC_STOP)->toolTip(), "Стоп");
    EXPECT_EQ(Button(T::IDC_SAVE)->toolTip(), "Сохранить изображение (Ctrl+S)");
    EXPECT_EQ(Button(T::IDC_SAVE)->accessibleName(), "Сохранить изображение");
    EXPECT_EQ(ModeList()->accessibleDescription(), "Режим получения");
    EXPECT_EQ(toolbar_.Control(1099), nullptr);
    EXPECT_TRUE(qobject_cast<QPushButton*>(toolbar_.Control(T::IDC_START))->isDefault());
}

TEST_F(ToolbarTest, ModeListHoldsTheFiveModesAndItsTooltipIsTheSelection) {
    ASSERT_EQ(ModeList()->count(), 5);
    EXPECT_EQ(ModeList()->itemText(4), "Видео+Снимок (курок)");
    EXPECT_EQ(toolbar_.ModeSelection(), 0);
    EXPECT_EQ(ModeList()->toolTip(), "Снимок");

    toolbar_.SetModeSelection(3);
    EXPECT_EQ(toolbar_.ModeSelection(), 3);
    EXPECT_EQ(ModeList()->toolTip(), "Видео (курок)");

    toolbar_.SetModeSelection(7);  // as a stored mode out of range does
    EXPECT_EQ(toolbar_.ModeSelection(), -1);
    EXPECT_EQ(ModeList()->toolTip(), "");
    EXPECT_TRUE(Commands().isEmpty()) << "the list's own changes are not forwarded";
}

TEST_F(ToolbarTest, EnabledButtonsForwardClicksAndDisabledOnesNothing) {
    for (int id = T::IDC_START; id <= T::IDC_IMAGE_PARAMS; ++id) Click(id);
    EXPECT_EQ(Commands(), (QList<int>{1003, 1004, 1005, 1006, 1007}));

    commands_.clear();
    toolbar_.EnableControl(T::IDC_START, false);
    toolbar_.EnableControl(T::IDC_SETTINGS, false);
    for (int id = T::IDC_START; id <= T::IDC_IMAGE_PARAMS; ++id) Click(id);
    EXPECT_EQ(Commands(), (QList<int>{1004, 1005, 1007}));
    EXPECT_FALSE(toolbar_.Control(T::IDC_START)->isEnabled());

    commands_.clear();
    toolbar_.EnableControl(T::IDC_START, true);
    toolbar_.FocusControl(T::IDC_START);
    QTest::keyClick(Button(T::IDC_START), Qt::Key_Space);
    EXPECT_EQ(Commands(), QList<int>{1003}) << "the keyboard works as well";
}

TEST_F(ToolbarTest, OnlyTheProgramPressesTheImageParametersButton) {
    Click(T::IDC_IMAGE_PARAMS);
    EXPECT_FALSE(toolbar_.IsImageParamsChecked());
    toolbar_.SetImageParamsChecked(true);
    Click(T::IDC_IMAGE_PARAMS);
    EXPECT_TRUE(toolbar_.IsImageParamsChecked());
    EXPECT_TRUE(Button(T::IDC_IMAGE_PARAMS)->isCheckable());
    toolbar_.SetImageParamsChecked(false);
    EXPECT_FALSE(toolbar_.IsImageParamsChecked());
    EXPECT_EQ(Commands(), (QList<int>{1007, 1007}));
}

}  // namespace
