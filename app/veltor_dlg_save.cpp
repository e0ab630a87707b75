// Keeping images: every image shown (and saved automatically when that is on), the Save command
// and the file a drag out of the view carries.

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <vector>

#include "app/toolbar_dlg.h"
#include "app/veltor_dlg.h"
#include "core/string_table.h"
#include "core/ui_text.h"
#include "imaging/file_writer.h"
#include "imaging/image_viewer.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"

namespace {

int FilterText(ImageFileType type) {
    switch (type) {
        case ImageFileType::Bmp: return IDS_FILTER_BMP;
        case ImageFileType::Png: return IDS_FILTER_PNG;
        default: return IDS_FILTER_JPEG;
    }
}

// The image's own type first, then the others it can be converted to.
std::vector<ImageFileType> SaveTypes(ImageFileType own) {
    std::vector<ImageFileType> types{own};
    for (ImageFileType other : {ImageFileType::Jpeg, ImageFileType::Png, ImageFileType::Bmp})
        if (other != own) types.push_back(other);
    return types;
}

QString Text(int id, const QString& first, const QString& second = {}) {
    return QString::fromStdString(
        FormatText(id, first.toUtf8().constData(), second.toUtf8().constData()));
}

}  // namespace

// Saved before it is shown: a picture too large to show is kept all the same.
void CVeltorDlg::ShowImage(const ReceivedImage& image) {
    m_autoSaver.Save(image, this);
    m_held = image;
    m_dragFile.clear();
    m_imageView->SetImage(image.picture);
    m_toolbar->EnableControl(CToolbarDlg::IDC_SAVE, m_held.type != ImageFileType::None);
}

void CVeltorDlg::OnSave() {
    const ReceivedImage image = m_held;  // the one shown now, whatever arrives meanwhile
    if (image.type == ImageFileType::None) return;
    const std::vector<ImageFileType> types = SaveTypes(image.type);
    SaveDialogRequest request{this, UiText(IDS_BUTTON_SAVE), {}, {}, {}};
    request.proposedPath =
        QDir(SaveStartFolder()).filePath(SaveFileName(image.arrival, image.type));
    for (ImageFileType type : types) {
        request.filters.append(UiText(FilterText(type)));
        request.suffixes.append(FileExtension(type));
    }
    const SaveDialogAnswer answer = AskSaveFileName(request);
    if (answer.path.isEmpty()) return;
    m_lastSaveFolder = QFileInfo(answer.path).absolutePath();

    // A known extension decides the type; otherwise the filter chosen does.
    ImageFileType type = TypeOfFileName(answer.path);
    if (type == ImageFileType::None)
        type = answer.filter >= 0 && size_t(answer.filter) < types.size() ? types[answer.filter]
                                                                          : image.type;
    if (WriteSavedFile(answer.path, FileContents(image, type)))
        SetStatusText(Text(IDS_SAVED, QFileInfo(answer.path).fileName()));
}

// Writes a file Save was asked for; on failure nothing is left of it and the user is told why.
bool CVeltorDlg::WriteSavedFile(const QString& path, const QByteArray& data) {
    QString reason;
    if (data.isEmpty())
        reason = UiText(IDS_CONVERT_FAILED);
    else if (!ReplaceFile(path, data))
        reason = QString::fromLocal8Bit(std::strerror(errno));
    if (reason.isEmpty()) return true;
    ShowMessageBox(this, Text(IDS_SAVE_FAILED, QDir::toNativeSeparators(path), reason),
                   MsgIcon::Error);
    return false;
}

// The folder last saved into, else the automatic saving's, else the user's pictures.
QString CVeltorDlg::SaveStartFolder() const {
    for (const QString& folder : {m_lastSaveFolder, m_autoSaver.Setting().folder})
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

QString CVeltorDlg::DragFile() {
    if (m_held.type == ImageFileType::None) return {};
    if (!m_dragFile.isEmpty() && QFileInfo::exists(m_dragFile)) return m_dragFile;
    if (!m_dragFolder)
        m_dragFolder = std::make_unique<QTemporaryDir>(QDir::temp().filePath("veltor-XXXXXX"));
    if (!m_dragFolder->isValid()) return {};
    const QString name = SaveFileName(m_held.arrival, m_held.type);
    m_dragFile = WriteNewFile(m_dragFolder->path(), QFileInfo(name).completeBaseName(),
                              FileExtension(m_held.type), m_held.bytes);
    return m_dragFile;
}
