// The settings at the program's close: saved when the session ends it with SIGTERM, and the user
// told once, with the reason, when they cannot be saved.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstring>
#include <functional>

#include "app/veltor_app.h"
#include "app/veltor_dlg.h"
#include "tests/support/message_boxes.h"

namespace {

// Runs the program as if from `executable` and calls `act` on its window once that is shown.
int RunProgram(const QString& executable, const std::function<void(CVeltorDlg&)>& act) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<CVeltorDlg*>(widget);
            if (window && window->isVisible()) {
                poll.stop();
                act(*window);
                return;
            }
        }
    });
    poll.start(10);
    CVeltorApp app;
    return app.Run(executable);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(SettingsAtClose, UnsavableSettingsGiveOneMessageWithTheReasonAndKeepTheOldFile) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("veltor.ini");
    const QByteArray before = "[Connect]\nTimeout=300\n";
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(before);
    file.close();
    ASSERT_EQ(chmod(QFile::encodeName(ini).constData(), 0444), 0);

    MessageBoxes boxes;
    EXPECT_EQ(RunProgram(dir.filePath("veltor"), [](CVeltorDlg& window) { window.close(); }), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Error);
    EXPECT_TRUE(boxes.Texts()[0].contains(ini)) << boxes.Texts()[0].toStdString();
    EXPECT_TRUE(boxes.Texts()[0].contains(QString::fromLocal8Bit(std::strerror(EACCES))))
        << boxes.Texts()[0].toStdString();
    EXPECT_EQ(ReadFile(ini), before);
}

TEST(SettingsAtClose, SigtermClosesTheWindowWithTheSettingsSaved) {
    QTemporaryDir dir;
    MessageBoxes boxes;
    EXPECT_EQ(RunProgram(dir.filePath("veltor"), [](CVeltorDlg&) { raise(SIGTERM); }), 0);
    EXPECT_TRUE(boxes.Shown().empty());
    const QByteArray saved = ReadFile(dir.filePath("veltor.ini"));
    EXPECT_TRUE(saved.startsWith("[Connect]\nPortName=")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\n[Window]\n")) << saved.toStdString();

    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "the handler is put back once the program has run";
}

}  // namespace
