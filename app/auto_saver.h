#pragma once
// Saving every acquired image as it arrives, as received, into one folder. A failure (folder
// missing, read-only, full) is told once and pauses the saving, so a video run neither stops nor
// repeats the message for every frame; confirming the setting again resumes it.

#include <QString>

class QWidget;
struct ReceivedImage;

struct AutoSaveSetting {
    bool enabled = false;
    QString folder;
};

class AutoSaver {
public:
    const AutoSaveSetting& Setting() const { return m_setting; }
    // Takes the setting as confirmed by the user: a pause after a failure ends.
    void Confirm(const AutoSaveSetting& setting);
    // Takes the setting as stored, without confirming anything.
    void Load(const AutoSaveSetting& setting) { m_setting = setting; }
    bool IsPaused() const { return m_paused; }

    // Writes `image` when saving is on and not paused; returns the file's path, or an empty
    // string. A failure shows one message without waiting for it (owned by `owner`) and pauses.
    QString Save(const ReceivedImage& image, QWidget* owner);

private:
    AutoSaveSetting m_setting;
    bool m_paused = false;
};
