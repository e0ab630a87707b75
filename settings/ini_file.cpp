#include "settings/ini_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cerrno>
#include <utility>

#include "settings/atomic_file.h"
#include "settings/file_access.h"
#include "settings/ini_line.h"

namespace {

constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string Utf8(const QString& text) { return text.toStdString(); }

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsValidName(std::string_view name) {
    return !name.empty() && !HasLineBreakOrNul(name) && !IniIsBlank(name.front()) &&
           !IniIsBlank(name.back());
}

bool IsValidSection(std::string_view name) {
    return IsValidName(name) && name.find(']') == std::string_view::npos;
}

bool IsValidKey(std::string_view name) {
    return IsValidName(name) && name.find('=') == std::string_view::npos && name.front() != ';' &&
           name.front() != '#' && name.front() != '[';
}

// Why a file that Load() did not take cannot be saved over.
int UnreadableReason(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) return EISDIR;
    if (!info.isFile()) return EINVAL;
    if (info.size() > kMaxFileSize) return EFBIG;
    return EACCES;
}

}  // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

bool IniFile::Load() {
    LoadFromMemory({});
    QFileInfo info(m_path);
    if (!info.exists()) return true;
    QFile file(m_path);
    m_loaded = info.isFile() && info.size() <= kMaxFileSize && file.open(QIODevice::ReadOnly);
    if (!m_loaded) return false;
    QByteArray content = file.read(kMaxFileSize + 1);
    m_loaded = file.error() == QFileDevice::NoError && content.size() <= kMaxFileSize;
    if (!m_loaded) return false;
    Parse(std::string_view(content.constData(), static_cast<size_t>(content.size())));
    return true;
}

void IniFile::LoadFromMemory(std::string_view content) {
    m_lines.clear();
    m_bom.clear();
    m_modified = false;
    m_loaded = true;
    Parse(content);
}

void IniFile::Parse(std::string_view content) {
    if (content.starts_with(kBom)) {
        m_bom = kBom;
        content.remove_prefix(kBom.size());
    }
    while (!content.empty()) {
        size_t newline = content.find('\n');
        std::string_view text = content.substr(0, newline);
        Line line;
        if (newline == std::string_view::npos) {
            content = {};
        } else {
            content.remove_prefix(newline + 1);
            line.eol = "\n";
            if (text.ends_with('\r')) {
                text.remove_suffix(1);
                line.eol = "\r\n";
            }
        }
        line.text = text;
        m_lines.push_back(std::move(line));
    }
}

size_t IniFile::FindSection(std::string_view section) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        auto name = IniSectionName(m_lines[i].text);
        if (name && IniNamesEqual(*name, section)) return i;
    }
    return kNotFound;
}

size_t IniFile::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < m_lines.size() && !IniSectionName(m_lines[i].text)) ++i;
    return i;
}

size_t IniFile::FindKey(size_t header, std::string_view key) const {
    for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
        auto line = IniKey(m_lines[i].text);
        if (line && IniNamesEqual(line->key, key)) return i;
    }
    return kNotFound;
}

std::optional<std::string> IniFile::FindValue(const QString& section, const QString& key) const {
    size_t header = FindSection(Utf8(section));
    if (header == kNotFound) return std::nullopt;
    size_t index = FindKey(header, Utf8(key));
    if (index == kNotFound) return std::nullopt;
    std::string_view text = m_lines[index].text;
    auto line = IniKey(text);
    return std::string(
        IniUnquote(text.substr(line->valueBegin, line->valueEnd - line->valueBegin)));
}

int32_t IniFile::ReadInt(const QString& section, const QString& key, int32_t defaultValue) const {
    auto value = FindValue(section, key);
    if (!value || value->empty()) return defaultValue;
    return IniParseInt(*value);
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    auto value = FindValue(section, key);
    if (!value) return defaultValue;
    // Only the file's first bytes can be a byte-order mark; in a value U+FEFF is a character.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(value->data(), static_cast<qsizetype>(value->size())));
}

bool IniFile::WriteInt(const QString& section, const QString& key, int32_t value) {
    return WriteString(section, key, QString::number(value));
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    // A value that would read back the same is left as it is: its bytes need not be UTF-8, and
    // the QString it was read into cannot give them back.
    if (FindValue(section, key) && ReadString(section, key, QString()) == value) return true;
    // A lone surrogate has no UTF-8 form: it would be written as '?' and read back as another text.
    if (!section.isValidUtf16() || !key.isValidUtf16() || !value.isValidUtf16()) return false;
    const std::string sectionName = Utf8(section), keyName = Utf8(key), text = Utf8(value);
    if (!IsValidSection(sectionName) || !IsValidKey(keyName) || HasLineBreakOrNul(text)) {
        return false;
    }
    SetValue(sectionName, keyName, IniQuote(text));
    return true;
}

// Puts the value text in place of the key's old one, or adds the key (and its section).
void IniFile::SetValue(const std::string& section, const std::string& key,
                       const std::string& text) {
    m_modified = true;
    size_t header = FindSection(section);
    if (header == kNotFound) {
        AppendSection(section, key + "=" + text);
        return;
    }
    size_t index = FindKey(header, key);
    if (index != kNotFound) {
        Line& line = m_lines[index];
        auto found = IniKey(line.text);
        line.text.replace(found->valueBegin, found->valueEnd - found->valueBegin, text);
        JoinCarriageReturn(line);  // an empty value may leave "key=\r"
        return;
    }
    size_t last = header;
    for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
        if (IniKey(m_lines[i].text)) last = i;
    }
    InsertLine(last, key + "=" + text);
}

// Inserts a line after line `after`. The new line takes over that line's ending, so a file
// whose last line had no line ending still has none.
void IniFile::InsertLine(size_t after, std::string text) {
    Line line{std::move(text), m_lines[after].eol};
    if (m_lines[after].eol.empty()) {
        m_lines[after].eol = DefaultEol();
        JoinCarriageReturn(m_lines[after]);
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(line));
}

void IniFile::AppendSection(const std::string& section, const std::string& keyLine) {
    const std::string eol = DefaultEol();
    if (!m_lines.empty()) {
        if (m_lines.back().eol.empty()) {
            m_lines.back().eol = eol;
            JoinCarriageReturn(m_lines.back());
        }
        if (!IniTrim(m_lines.back().text).empty()) m_lines.push_back({"", eol});
    }
    m_lines.push_back({"[" + section + "]", eol});
    m_lines.push_back({keyLine, eol});
}

// A line whose text ends in '\r' before a "\n" ending reads back as a CRLF line without that
// '\r'. Lines are kept that way in memory too, so that a value written later goes before the
// '\r' instead of after it.
void IniFile::JoinCarriageReturn(Line& line) {
    if (line.eol == "\n" && line.text.ends_with('\r')) {
        line.text.pop_back();
        line.eol = "\r\n";
    }
}

std::string IniFile::DefaultEol() const {
    for (const Line& line : m_lines) {
        if (!line.eol.empty()) return line.eol;
    }
    return "\n";
}

std::string IniFile::Content() const {
    std::string content = m_bom;
    for (const Line& line : m_lines) content += line.text + line.eol;
    return content;
}

bool IniFile::Save() {
    m_saveError = 0;
    if (!m_loaded) {
        m_saveError = UnreadableReason(m_path);
        return false;
    }
    if (!m_modified) return true;
    const std::string path = QFile::encodeName(m_path).toStdString();
    if (QFileInfo::exists(m_path) && !MayWrite(path)) {
        m_saveError = EACCES;
        return false;
    }
    if (!CreateFolders(FolderOf(path)) || !WriteFileAtomically(path, Content())) {
        m_saveError = errno;
        return false;
    }
    m_modified = false;
    return true;
}
