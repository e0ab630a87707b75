#include "ui/file_dialog.h"

#include <QFileDialog>

namespace {

SaveDialogHandler& Handler() {
    static SaveDialogHandler handler;
    return handler;
}

SaveDialogAnswer ShowQtDialog(const SaveDialogRequest& request) {
    QFileDialog dialog(request.owner, request.caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    // The suffix follows the filter, so a bare name gets the extension of the type chosen.
    auto follow = [&](const QString& filter) {
        const qsizetype index = request.filters.indexOf(filter);
        if (index >= 0 && index < request.suffixes.size())
            dialog.setDefaultSuffix(request.suffixes[index]);
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
    if (!request.filters.isEmpty()) {
        dialog.selectNameFilter(request.filters.first());
        follow(request.filters.first());
    }
    dialog.selectFile(request.proposedPath);
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
