#pragma once
// The one way the program asks for a file name to save under. Tests replace the handler to
// answer without a dialog, as they do for message boxes.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

struct SaveDialogRequest {
    QWidget* owner;
    QString caption;
    QString proposedPath;  // folder and file name the dialog opens with
    QStringList filters;   // "Name (*.ext ...)", the first one selected
    QStringList suffixes;  // each filter's extension, added to a name typed without one
};

struct SaveDialogAnswer {
    QString path;     // empty: cancelled
    int filter = -1;  // index of the filter selected at the end
};

using SaveDialogHandler = std::function<SaveDialogAnswer(const SaveDialogRequest&)>;

// Shows the modal save dialog; it asks itself before an existing file is replaced.
SaveDialogAnswer AskSaveFileName(const SaveDialogRequest& request);

// Replaces the handler; returns the previous one. An empty handler restores the real dialog.
SaveDialogHandler SetSaveDialogHandler(SaveDialogHandler handler);

// A folder chosen by the user, starting at `start`; empty when cancelled.
QString AskFolder(QWidget* owner, const QString& caption, const QString& start);
