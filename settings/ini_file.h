#pragma once
// The settings file: a private-profile INI file read and written through the four profile
// operations, changed in place so that everything the program does not write (comments, blank
// lines, unknown keys and sections, line endings, a UTF-8 byte-order mark) stays byte for byte.
//
// Use: construct over a path, Load() once, read and write any number of values in memory, then
// Save() once. Reads see the file as loaded plus the writes made since.
//
//   IniFile ini(profilePath);
//   ini.Load();
//   int speed = ini.ReadInt("Connect", "BaudRate", 2);
//   ini.WriteInt("Connect", "BaudRate", speed);
//   ini.Save();
//
// Rules of the format:
// - "[Name]" starts a section; "Key=Value" lines belong to the section above them. Lines before
//   the first section, comments (';' or '#') and other lines are kept but never matched.
// - Section and key names match without regard to case; a backslash is an ordinary character,
//   so "ImageAcquisition\Snapshot" is one section. The first matching section and, within it,
//   the first matching key win.
// - Values are trimmed of blanks; one pair of surrounding quotes is removed when reading. A value
//   that this would alter (blanks at either end, surrounding quotes) is written in double quotes,
//   so every value written reads back exactly as it was given.
// - A write replaces the value bytes in place, or adds the key after the last key of its
//   section, or adds the section (with a blank line before it) at the end of the file. New lines
//   take the file's own line ending (that of its first line; LF for a new file).

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    explicit IniFile(QString path);

    const QString& Path() const { return m_path; }

    // Reads the file. A missing file loads as empty (a later Save creates it). A file that
    // exists but cannot be read, is not a regular file or is implausibly large (over 16 MiB) is
    // not taken: reads give their defaults, Save refuses to replace it, and false is returned.
    bool Load();

    // The integer reader: leading blanks, optional sign, leading digits; text after them is
    // ignored, a value without digits reads as 0; a missing key or an empty value gives
    // `defaultValue`.
    int32_t ReadInt(const QString& section, const QString& key, int32_t defaultValue) const;

    // The value, or `defaultValue` when the key is missing. A present empty value reads as "".
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;

    // Writes are made in memory. They return false and change nothing for a name or value the
    // format cannot hold: an empty name, a line break or NUL anywhere, a lone UTF-16 surrogate
    // anywhere, a blank at either end of a name, '=' or a leading ';', '#' or '[' in a key, ']' in
    // a section name. Any other value reads back identical.
    bool WriteInt(const QString& section, const QString& key, int32_t value);  // as "%d"
    // A string write that gives a key the value it already reads as leaves its line untouched.
    bool WriteString(const QString& section, const QString& key, const QString& value);

    // Replaces the file atomically with the contents in memory (temporary file in the same
    // directory, flushed to the disk, renamed over the old one; rewritten in place where the
    // directory may not be written). Missing directories are created, private to the user.
    // Returns false, leaving the old file exactly as it was, when Load() has not succeeded, the
    // file exists without write permission (for the superuser as well), or any step fails (disk
    // full, ...). With nothing written since loading it does nothing and returns true.
    bool Save();
    // Why the last Save failed, as an errno value; 0 after one that succeeded.
    int SaveError() const { return m_saveError; }

    // Load and Save without the disk: parses `content` as Load parses the file, and gives the
    // bytes Save would write.
    void LoadFromMemory(std::string_view content);
    std::string Content() const;

private:
    struct Line {
        std::string text;  // without the line ending
        std::string eol;   // "\n", "\r\n", or "" for a last line without one
    };
    static constexpr size_t kNotFound = static_cast<size_t>(-1);

    void Parse(std::string_view content);
    size_t FindSection(std::string_view section) const;
    size_t SectionEnd(size_t header) const;
    size_t FindKey(size_t header, std::string_view key) const;
    std::optional<std::string> FindValue(const QString& section, const QString& key) const;
    void SetValue(const std::string& section, const std::string& key, const std::string& text);
    void InsertLine(size_t after, std::string text);
    void AppendSection(const std::string& section, const std::string& keyLine);
    static void JoinCarriageReturn(Line& line);
    std::string DefaultEol() const;

    QString m_path;
    std::string m_bom;
    std::vector<Line> m_lines;
    bool m_loaded = false;  // Save never replaces a file it has not read
    bool m_modified = false;
    int m_saveError = 0;
};
