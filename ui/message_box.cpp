#include "ui/message_box.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

QMessageBox::Icon QtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Error: return QMessageBox::Critical;
        case MsgIcon::Warning: return QMessageBox::Warning;
        case MsgIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton QtButton(MsgResult result) {
    switch (result) {
        case MsgResult::Ok: return QMessageBox::Ok;
        case MsgResult::Yes: return QMessageBox::Yes;
        case MsgResult::No: return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

// The modal Qt box; exec() keeps the rest of the program from taking input until it closes.
MsgResult ShowQtBox(const MessageBoxRequest& request) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // No widgets without QApplication: the text must not be lost all the same.
        std::fprintf(stderr, "%s\n", request.text.toLocal8Bit().constData());
        return request.defaultButton;
    }
    const bool yesNo = request.buttons == MsgButtons::YesNo;
    QMessageBox box(QtIcon(request.icon), request.caption, request.text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, request.owner);
    box.setDefaultButton(QtButton(request.defaultButton));
    const int answer = box.exec();
    if (!yesNo) return MsgResult::Ok;
    return answer == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
}

}  // namespace

MsgResult ShowMessageBox(QWidget* owner, const QString& text, MsgIcon icon, MsgButtons buttons,
                         MsgResult defaultButton) {
    return ShowCaptionedMessageBox(owner, ApplicationName(), text, icon, buttons, defaultButton);
}

MsgResult ShowCaptionedMessageBox(QWidget* owner, const QString& caption, const QString& text,
                                  MsgIcon icon, MsgButtons buttons, MsgResult defaultButton) {
    if (!owner) owner = QApplication::activeWindow();
    const MessageBoxRequest request{owner, caption, text, icon, buttons, defaultButton};
    // A copy, so a handler may replace itself while it runs.
    const MessageBoxHandler handler = Handler();
    return handler ? handler(request) : ShowQtBox(request);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

QString FileNameWithoutExtension(const QString& path) { return QFileInfo(path).completeBaseName(); }

QString ApplicationName() {
    if (!QCoreApplication::instance()) return {};
    return FileNameWithoutExtension(QCoreApplication::applicationFilePath());
}
