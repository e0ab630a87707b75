#include "app/auto_saver.h"

#include <QDir>
#include <cerrno>
#include <cstring>

#include "core/string_table.h"
#include "imaging/file_writer.h"
#include "imaging/image_file.h"
#include "ui/message_box.h"

void AutoSaver::Confirm(const AutoSaveSetting& setting) {
    m_setting = setting;
    m_paused = false;
}

QString AutoSaver::Save(const ReceivedImage& image, QWidget* owner) {
    if (!m_setting.enabled || m_paused || image.type == ImageFileType::None) return {};
    // An empty folder would mean the working directory; a stored file may hold one all the same.
    errno = ENOENT;
    const QString path = m_setting.folder.isEmpty()
                             ? QString()
                             : WriteNewFile(m_setting.folder, AutoSaveStem(image.arrival),
                                            FileExtension(image.type), image.bytes);
    if (!path.isEmpty()) return path;

    m_paused = true;  // before the message: nothing else is written while it is shown
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    const QString folder = QDir::toNativeSeparators(m_setting.folder);
    ShowMessageBoxModeless(
        owner,
        QString::fromStdString(FormatText(IDS_AUTOSAVE_FAILED, folder.toUtf8().constData(),
                                          reason.toUtf8().constData())),
        MsgIcon::Error);
    return {};
}
