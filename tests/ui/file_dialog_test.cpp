// The real save dialog: where it opens, what it proposes, and the name following the filter.

#include "ui/file_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

TEST(SaveDialog, OpensOnTheProposedNameAndTheExtensionFollowsTheFilter) {
    QTemporaryDir dir;
    const SaveDialogRequest request{
        nullptr,
        QStringLiteral("Save"),
        dir.filePath(QStringLiteral("veltor-1.jpg")),
        {QStringLiteral("J (*.jpg *.jpeg)"), QStringLiteral("P (*.png)")},
        {QStringLiteral("jpg"), QStringLiteral("png")}};
    QString opened, directory, afterFilter;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        opened = name->text();
        directory = dialog->directory().absolutePath();
        dialog->selectNameFilter(request.filters[1]);
        emit dialog->filterSelected(request.filters[1]);  // as choosing it in the list does
        afterFilter = name->text();
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    const SaveDialogAnswer answer = AskSaveFileName(request);
    EXPECT_EQ(opened, "veltor-1.jpg");
    EXPECT_EQ(directory, dir.path());
    EXPECT_EQ(afterFilter, "veltor-1.png");
    EXPECT_EQ(answer.path, dir.filePath(QStringLiteral("veltor-1.png")));
    EXPECT_EQ(answer.filter, 1);
}
