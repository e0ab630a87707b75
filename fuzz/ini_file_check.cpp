// The input: a count of writes (0-3), each write's names and value, then the file's contents.
// A write either takes a section and key of the file (so values are replaced in place) or names
// of its own; its value is UTF-8 or raw UTF-16 (lone surrogates included).
#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "fuzz/checks.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/property.h"
#include "settings/ini_file.h"
#include "settings/ini_line.h"

namespace {

struct WriteOp {
    QString section, key, value;
    std::optional<uint8_t> pick;  // takes the names of the file's key number `pick` (modulo)
    bool accepted = false;
};

struct Line {
    std::string_view text, eol;
    bool operator==(const Line&) const = default;
};

struct Layout {
    bool bom = false;
    std::vector<Line> lines;
};

// The file cut into lines the way a text editor sees them: "\n" or "\r\n" ends a line.
Layout Split(std::string_view content) {
    Layout layout;
    layout.bom = content.starts_with("\xEF\xBB\xBF");
    if (layout.bom) content.remove_prefix(3);
    while (!content.empty()) {
        const size_t newline = content.find('\n');
        if (newline == std::string_view::npos) {
            layout.lines.push_back({content, {}});
            break;
        }
        const size_t end = newline > 0 && content[newline - 1] == '\r' ? newline - 1 : newline;
        layout.lines.push_back({content.substr(0, end), content.substr(end, newline + 1 - end)});
        content.remove_prefix(newline + 1);
    }
    return layout;
}

QString FromUtf8(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Utf8(const QString& text) { return text.toStdString(); }

QString TakeText(FuzzInput& in, bool utf16) {
    if (!utf16) return FromUtf8(in.Bytes(in.Byte() % 48));
    QString text;
    for (int n = in.Byte() % 16; n > 0; --n) {
        const uint8_t high = in.Byte();
        text.append(QChar(char16_t(high << 8 | in.Byte())));
    }
    return text;
}

// Every (section, key) pair the file holds under a section header.
std::vector<std::pair<QString, QString>> KeysOf(std::string_view content) {
    std::vector<std::pair<QString, QString>> keys;
    std::optional<std::string_view> section;
    for (const Line& line : Split(content).lines) {
        if (auto name = IniSectionName(line.text)) {
            section = name;
        } else if (auto key = IniKey(line.text); key && section) {
            keys.emplace_back(FromUtf8(*section), FromUtf8(key->key));
        }
    }
    return keys;
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The names and values the file format can hold, as ini_file.h lists them.
bool NameWritable(const QString& name) {
    const std::string text = Utf8(name);
    return name.isValidUtf16() && !text.empty() && !HasLineBreakOrNul(text) &&
           !IniIsBlank(text.front()) && !IniIsBlank(text.back());
}

bool Writable(const WriteOp& op) {
    const std::string section = Utf8(op.section), key = Utf8(op.key);
    return NameWritable(op.section) && section.find(']') == std::string::npos &&
           NameWritable(op.key) && key.find('=') == std::string::npos && key.front() != ';' &&
           key.front() != '#' && key.front() != '[' && op.value.isValidUtf16() &&
           !HasLineBreakOrNul(Utf8(op.value));
}

bool IsKeyLine(std::string_view text, const std::string& key) {
    auto line = IniKey(text);
    return line && IniNamesEqual(line->key, key);
}

// Lines `from`.. of `after` equal lines `from - shift`.. of `before`.
bool TailsMatch(const Layout& before, const Layout& after, size_t from, size_t shift) {
    if (after.lines.size() != before.lines.size() + shift) return false;
    for (size_t i = from; i < after.lines.size(); ++i) {
        if (!(after.lines[i] == before.lines[i - shift])) return false;
    }
    return true;
}

// A last line without an ending that got one: its bytes come first, unchanged. (A last line
// ending in '\r' becomes a line with a CRLF ending.)
bool GainedEnding(const Line& old, const Line& now) {
    return old.eol.empty() && !now.eol.empty() &&
           (std::string(now.text) + std::string(now.eol)).starts_with(old.text);
}

// The value bytes of one key line were replaced; every byte around them stayed. (Compared with
// the line endings, as a '\r' left last in a line is read as part of its ending.)
bool ReplacedInPlace(const Layout& before, const Layout& after, size_t p, const std::string& key) {
    const Line& old = before.lines[p];
    auto found = IniKey(old.text);
    if (!found || !IsKeyLine(old.text, key)) return false;
    const std::string head(old.text.substr(0, found->valueBegin));
    const std::string tail = std::string(old.text.substr(found->valueEnd)) + std::string(old.eol);
    const std::string now = std::string(after.lines[p].text) + std::string(after.lines[p].eol);
    return now.size() >= head.size() + tail.size() && now.starts_with(head) &&
           now.ends_with(tail) && TailsMatch(before, after, p + 1, 0);
}

// One key line was inserted at p. A last line without an ending may have gained one, and only
// when the new line follows it.
bool InsertedAt(const Layout& before, const Layout& after, size_t p, const std::string& key) {
    if (p > 0 && p == before.lines.size() && before.lines[p - 1].eol.empty()) {
        if (!GainedEnding(before.lines[p - 1], after.lines[p - 1])) return false;
    } else if (p > 0 && !(after.lines[p - 1] == before.lines[p - 1])) {
        return false;
    }
    return after.lines[p].text.starts_with(key + "=") && TailsMatch(before, after, p + 1, 1);
}

// The file gained [section] and its key line at the end, maybe with a blank line before them.
// A last line without an ending may have gained one.
bool AppendedSection(const Layout& before, const Layout& after, size_t p,
                     const std::string& section, const std::string& key) {
    const size_t n = before.lines.size();
    if (after.lines.size() < n + 2 || after.lines.size() > n + 3 || p + 1 < n) return false;
    if (n > 0 && !(after.lines[n - 1] == before.lines[n - 1]) &&
        !GainedEnding(before.lines[n - 1], after.lines[n - 1])) {
        return false;
    }
    if (after.lines.size() == n + 3 && !after.lines[n].text.empty()) return false;
    const size_t header = after.lines.size() - 2;
    return after.lines[header].text == "[" + section + "]" &&
           after.lines[header + 1].text.starts_with(key + "=");
}

// A write changed one key line, or added one, or added its section: nothing else.
void RequireOnlyTheKeyLineChanged(const std::string& beforeContent, const std::string& afterContent,
                                  const WriteOp& op) {
    const Layout before = Split(beforeContent), after = Split(afterContent);
    Require(before.bom == after.bom, "the byte-order mark stays as it was");
    size_t p = 0;  // the first line that differs
    while (p < before.lines.size() && p < after.lines.size() && before.lines[p] == after.lines[p]) {
        ++p;
    }
    const std::string section = Utf8(op.section), key = Utf8(op.key);
    const size_t n = before.lines.size();
    // Writing the text the key already has changes nothing at all.
    bool ok = beforeContent == afterContent || AppendedSection(before, after, p, section, key);
    if (after.lines.size() == n && p < n) ok = ok || ReplacedInPlace(before, after, p, key);
    if (after.lines.size() == n + 1) {
        ok = ok || InsertedAt(before, after, p, key) ||
             (p < n && InsertedAt(before, after, p + 1, key));
    }
    Require(ok, "a write changes only its key line; every other line stays byte for byte");
}

void ApplyWrite(IniFile& ini, WriteOp& op) {
    const std::string before = ini.Content();
    op.accepted = ini.WriteString(op.section, op.key, op.value);
    Require(op.accepted == Writable(op),
            "a write is refused exactly when the format cannot hold it");
    if (!op.accepted) {
        Require(ini.Content() == before, "a refused write changes nothing");
        return;
    }
    Require(ini.ReadString(op.section, op.key, "<missing>") == op.value,
            "a written value reads back identical");
    RequireOnlyTheKeyLineChanged(before, ini.Content(), op);
}

bool SameNames(const WriteOp& a, const WriteOp& b) {
    return IniNamesEqual(Utf8(a.section), Utf8(b.section)) &&
           IniNamesEqual(Utf8(a.key), Utf8(b.key));
}

}  // namespace

void CheckIniFile(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    std::vector<WriteOp> ops(in.Byte() % 4);
    for (WriteOp& op : ops) {
        const uint8_t kind = in.Byte();
        if (kind & 1) {
            op.pick = in.Byte();
        } else {
            op.section = TakeText(in, false);
            op.key = TakeText(in, false);
        }
        op.value = TakeText(in, kind & 2);
    }
    const std::string_view content = in.Rest();
    const auto keys = KeysOf(content);
    for (WriteOp& op : ops) {
        if (op.pick && !keys.empty()) std::tie(op.section, op.key) = keys[*op.pick % keys.size()];
    }

    IniFile ini(QString{});
    ini.LoadFromMemory(content);
    Require(ini.Content() == content, "loading and saving unchanged gives the same bytes");
    for (WriteOp& op : ops) ApplyWrite(ini, op);

    IniFile reloaded(QString{});
    reloaded.LoadFromMemory(ini.Content());
    for (size_t i = 0; i < ops.size(); ++i) {
        bool overwritten = false;
        for (size_t j = i + 1; j < ops.size(); ++j) {
            overwritten = overwritten || (ops[j].accepted && SameNames(ops[i], ops[j]));
        }
        if (!ops[i].accepted || overwritten) continue;
        Require(reloaded.ReadString(ops[i].section, ops[i].key, "<missing>") == ops[i].value,
                "every value written reads back identical after saving and loading again");
    }
}
