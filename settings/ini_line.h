#pragma once
// How the profile functions read one line of an INI file. A line is given without its line
// ending; every other byte (including binary garbage) is ordinary text.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A section header: optional blanks, '[', the name, ']'; blanks around the name and anything
// after the ']' are ignored. Nothing for any other line.
std::optional<std::string_view> IniSectionName(std::string_view line);

// A key line: the key before the first '=', and the value after it. Both are trimmed of blanks;
// the value's offsets are kept so a write can replace exactly those bytes.
struct IniKeyLine {
    std::string_view key;
    size_t valueBegin;  // offset in the line of the trimmed value
    size_t valueEnd;    // one past it; equal to valueBegin for an empty value
};

// Nothing for blank lines, comments (';' or '#' first), section headers and lines without '='.
std::optional<IniKeyLine> IniKey(std::string_view line);

// A value as the string reader returns it: one pair of matching surrounding quotes
// (" or ') removed.
std::string_view IniUnquote(std::string_view value);

// The text to write for `value` so that the reader gives it back unchanged: the value itself, or
// the value in double quotes when trimming or unquoting would alter it (blanks at either end,
// a pair of surrounding quotes). Hand-edited files keep reading as before.
std::string IniQuote(std::string_view value);

// The integer reader: leading blanks, an optional sign, then the leading decimal digits; text
// after them is ignored, no digits give 0, and the number wraps modulo 2^32 like the platform's.
int32_t IniParseInt(std::string_view value);

// Section and key names match without regard to case (Unicode-aware for UTF-8 names).
bool IniNamesEqual(std::string_view a, std::string_view b);

// Blanks as the profile functions see them: space, tab, vertical tab, form feed, carriage return.
bool IniIsBlank(char c);
std::string_view IniTrim(std::string_view text);
