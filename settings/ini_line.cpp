#include "settings/ini_line.h"

#include <QString>

bool IniIsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view IniTrim(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size() && IniIsBlank(text[begin])) ++begin;
    size_t end = text.size();
    while (end > begin && IniIsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::optional<std::string_view> IniSectionName(std::string_view line) {
    std::string_view text = IniTrim(line);
    if (text.empty() || text.front() != '[') return std::nullopt;
    size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return IniTrim(text.substr(1, close - 1));
}

std::optional<IniKeyLine> IniKey(std::string_view line) {
    std::string_view text = IniTrim(line);
    if (text.empty() || text.front() == ';' || text.front() == '#') return std::nullopt;
    if (IniSectionName(line)) return std::nullopt;
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;

    IniKeyLine key{IniTrim(line.substr(0, equals)), equals + 1, line.size()};
    while (key.valueBegin < key.valueEnd && IniIsBlank(line[key.valueBegin])) ++key.valueBegin;
    while (key.valueEnd > key.valueBegin && IniIsBlank(line[key.valueEnd - 1])) --key.valueEnd;
    return key;
}

std::string_view IniUnquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string IniQuote(std::string_view value) {
    if (IniUnquote(IniTrim(value)) == value) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

int32_t IniParseInt(std::string_view value) {
    size_t i = 0;
    while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    uint32_t total = 0;  // unsigned, so an overlong number wraps instead of overflowing
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        total = total * 10u + static_cast<uint32_t>(value[i] - '0');
    }
    if (negative) total = 0u - total;
    return static_cast<int32_t>(total);
}

bool IniNamesEqual(std::string_view a, std::string_view b) {
    QString left = QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()));
    QString right = QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
    return left.compare(right, Qt::CaseInsensitive) == 0;
}
