#include "ui/message_box.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
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

// A question must be answered with one of its buttons: Esc and the title bar's close button do
// nothing, as on the platform the program's boxes come from. Other boxes keep their usual Esc.
class QuestionBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) return event->ignore();
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

// The window a box belongs to when the caller names none: the active window, else the modal
// dialog in front, else the program's visible main window (the program may not be active after a
// long run, and an ownerless box would open behind it).
QWidget* DefaultOwner() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->isWindow() && !qobject_cast<QMessageBox*>(top)) return top;
    return nullptr;
}

// The modal Qt box; exec() keeps the rest of the program from taking input until it closes.
MsgResult ShowQtBox(const MessageBoxRequest& request) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // No widgets without QApplication: the text must not be lost all the same.
        std::fprintf(stderr, "%s\n", request.text.toLocal8Bit().constData());
        return request.defaultButton;
    }
    if (request.buttons == MsgButtons::Ok) {
        QMessageBox box(QtIcon(request.icon), request.caption, request.text, QMessageBox::Ok,
                        request.owner);
        box.exec();
        return MsgResult::Ok;
    }
    QuestionBox box(QtIcon(request.icon), request.caption, request.text,
                    QMessageBox::Yes | QMessageBox::No, request.owner);
    box.setWindowFlag(Qt::WindowCloseButtonHint, false);
    box.setDefaultButton(QtButton(request.defaultButton));
    return box.exec() == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
}

}  // namespace

MsgResult ShowMessageBox(QWidget* owner, const QString& text, MsgIcon icon, MsgButtons buttons,
                         MsgResult defaultButton) {
    return ShowCaptionedMessageBox(owner, ApplicationName(), text, icon, buttons, defaultButton);
}

MsgResult ShowCaptionedMessageBox(QWidget* owner, const QString& caption, const QString& text,
                                  MsgIcon icon, MsgButtons buttons, MsgResult defaultButton) {
    if (!owner) owner = DefaultOwner();
    const MessageBoxRequest request{owner, caption, text, icon, buttons, defaultButton};
    // A copy, so a handler may replace itself while it runs.
    const MessageBoxHandler handler = Handler();
    return handler ? handler(request) : ShowQtBox(request);
}

void ShowMessageBoxModeless(QWidget* owner, const QString& text, MsgIcon icon) {
    if (!owner) owner = DefaultOwner();
    const MessageBoxRequest request{owner, ApplicationName(), text,
                                    icon,  MsgButtons::Ok,    MsgResult::Ok};
    const MessageBoxHandler handler = Handler();
    if (handler || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        handler ? handler(request) : ShowQtBox(request);
        return;
    }
    auto* box = new QMessageBox(QtIcon(icon), request.caption, text, QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
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
