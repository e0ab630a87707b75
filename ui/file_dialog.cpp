#include "ui/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

namespace {

SaveDialogHandler& Handler() {
    static SaveDialogHandler handler;
    return handler;
}

// Qt's own dialog keeps the typed name when another filter is chosen; the name's extension then
// follows the filter, so the name never promises one type while the file holds another.
void FollowWithName(QFileDialog& dialog, const QStringList& suffixes, const QString& suffix) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit == nullptr) return;
    const QFileInfo name(edit->text());
    const QString old = name.suffix().toLower();
    if (old == suffix || (!suffixes.contains(old) && old != QLatin1String("jpeg"))) return;
    edit->setText(name.completeBaseName() + QLatin1Char('.') + suffix);
}

SaveDialogAnswer ShowQtDialog(const SaveDialogRequest& request) {
    QFileDialog dialog(request.owner, request.caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    // A name typed without an extension gets the one of the filter chosen.
    auto follow = [&](const QString& filter) {
        const qsizetype index = request.filters.indexOf(filter);
        if (index < 0 || index >= request.suffixes.size()) return;
        dialog.setDefaultSuffix(request.suffixes[index]);
        FollowWithName(dialog, request.suffixes, request.suffixes[index]);
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
    if (!request.filters.isEmpty()) dialog.selectNameFilter(request.filters.first());
    if (!request.suffixes.isEmpty()) dialog.setDefaultSuffix(request.suffixes.first());
    const QFileInfo proposed(request.proposedPath);
    dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return {dialog.selectedFiles().first(),
            static_cast<int>(request.filters.indexOf(dialog.selectedNameFilter()))};
}

}  // namespace

SaveDialogAnswer AskSaveFileName(const SaveDialogRequest& request) {
    const SaveDialogHandler handler = Handler();  // a copy: it may replace itself
    return handler ? handler(request) : ShowQtDialog(request);
}

SaveDialogHandler SetSaveDialogHandler(SaveDialogHandler handler) {
    SaveDialogHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

QString AskFolder(QWidget* owner, const QString& caption, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, caption, start);
}
