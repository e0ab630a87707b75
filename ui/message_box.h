#pragma once
// The one way the program shows a message box. Tests replace the handler to read the text and
// choose the answer; nothing else in the program uses QMessageBox.

#include <QString>
#include <functional>

class QWidget;

enum class MsgIcon { Error, Warning, Information };
enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok, Yes, No };

struct MessageBoxRequest {
    QWidget* owner;
    QString caption;  // the executable's file name without extension, unless the caller chose one
    QString text;
    MsgIcon icon;
    MsgButtons buttons;
    MsgResult defaultButton;
};

using MessageBoxHandler = std::function<MsgResult(const MessageBoxRequest&)>;

// Shows the box (modal, owned by `owner`; when it is null, by the active window, else the modal
// dialog in front, else the visible main window) and returns the button pressed. A Yes/No box is
// answered only by its buttons: Esc and its close button do nothing.
MsgResult ShowMessageBox(QWidget* owner, const QString& text, MsgIcon icon,
                         MsgButtons buttons = MsgButtons::Ok,
                         MsgResult defaultButton = MsgResult::Ok);

// As ShowMessageBox, titled with `caption` instead of the application's name.
MsgResult ShowCaptionedMessageBox(QWidget* owner, const QString& caption, const QString& text,
                                  MsgIcon icon, MsgButtons buttons = MsgButtons::Ok,
                                  MsgResult defaultButton = MsgResult::Ok);

// As ShowMessageBox with an OK button, but returns at once: the box stays until the user closes
// it, and what the caller is doing (a run) goes on meanwhile. Tests' handlers see it as any box.
void ShowMessageBoxModeless(QWidget* owner, const QString& text, MsgIcon icon);

// Replaces the handler; returns the previous one. An empty handler restores the real boxes.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The executable's file name without its extension: the caption of every message box.
QString ApplicationName();

// The file name of `path` without its last extension ("my.app.exe" gives "my.app").
QString FileNameWithoutExtension(const QString& path);
