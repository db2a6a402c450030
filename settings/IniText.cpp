#include "settings/IniText.h"

#include <climits>
#include <cstddef>
#include <cstdint>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

enum class Kind { Blank, Section, Value, Other };

// One line of the file: offsets into the whole text.
struct Line {
    std::size_t begin = 0;   // first byte of the line (after a BOM)
    std::size_t end = 0;     // end of the content, before CR LF or LF
    std::size_t next = 0;    // start of the next line
    bool hasLineEnd = false; // ends in LF
    Kind kind = Kind::Other;
    std::string_view name;      // section or key name
    std::size_t valueBegin = 0; // for Kind::Value
};

class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {
        if (text_.starts_with(kBom))
            pos_ = kBom.size();
    }

    bool Next(Line& line) {
        if (pos_ >= text_.size())
            return false;
        line = Line{};
        line.begin = pos_;
        std::size_t lf = text_.find('\n', pos_);
        if (lf == std::string_view::npos) {
            line.end = text_.size();
            line.next = text_.size();
        } else {
            line.end = lf;
            line.next = lf + 1;
            line.hasLineEnd = true;
            if (line.end > line.begin && text_[line.end - 1] == '\r')
                --line.end;
        }
        pos_ = line.next;
        Classify(line);
        return true;
    }

  private:
    void Classify(Line& line) const {
        std::string_view content = text_.substr(line.begin, line.end - line.begin);
        std::string_view trimmed = Trim(content);
        if (trimmed.empty()) {
            line.kind = Kind::Blank;
        } else if (trimmed.front() == '[') {
            std::size_t close = trimmed.find(']');
            if (close != std::string_view::npos) {
                line.kind = Kind::Section;
                line.name = Trim(trimmed.substr(1, close - 1));
            }
        } else if (trimmed.front() == ';' || trimmed.front() == '#') {
            line.kind = Kind::Other;
        } else if (std::size_t eq = content.find('='); eq != std::string_view::npos) {
            line.kind = Kind::Value;
            line.name = Trim(content.substr(0, eq));
            line.valueBegin = line.begin + eq + 1;
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

bool IsValidProfileName(std::string_view name) {
    if (name.empty() || IsBlank(name.front()) || IsBlank(name.back()))
        return false;
    if (name.front() == ';' || name.front() == '#')
        return false;
    return name.find_first_of(std::string_view("\r\n\0[]=", 6)) == std::string_view::npos;
}

std::string_view ProfileLine(std::string_view value) {
    return value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
}

bool ProfileNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

int ParseProfileInt(std::string_view text, int defaultValue) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || text[i] < '0' || text[i] > '9')
        return defaultValue;
    // Accumulate beyond the int range in 64 bits, then saturate.
    constexpr int64_t kLimit = int64_t{INT_MAX} + 1;
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (magnitude <= kLimit)
            magnitude = magnitude * 10 + (text[i] - '0');
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

std::optional<std::string_view> IniFindValue(std::string_view text, std::string_view section,
                                             std::string_view key) {
    LineReader reader(text);
    Line line;
    bool seenSection = false;
    bool inSection = false;
    while (reader.Next(line)) {
        if (line.kind == Kind::Section) {
            if (inSection)
                return std::nullopt; // the first such section had no such key
            inSection = !seenSection && ProfileNamesEqual(line.name, section);
            seenSection = seenSection || inSection;
        } else if (inSection && line.kind == Kind::Value && ProfileNamesEqual(line.name, key)) {
            return text.substr(line.valueBegin, line.end - line.valueBegin);
        }
    }
    return std::nullopt;
}

std::string IniSetValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    std::string_view eol = "\n";
    if (std::size_t lf = text.find('\n');
        lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r')
        eol = "\r\n";

    LineReader reader(text);
    Line line;
    bool inSection = false;
    bool sectionFound = false;
    Line lastFilled;            // last non-blank line of the section
    bool lastLineBlank = true;  // of the whole file
    bool lastHasLineEnd = true; // of the whole file
    while (reader.Next(line)) {
        lastLineBlank = line.kind == Kind::Blank;
        lastHasLineEnd = line.hasLineEnd;
        if (line.kind == Kind::Section) {
            if (inSection)
                break;
            if (!sectionFound && ProfileNamesEqual(line.name, section)) {
                inSection = sectionFound = true;
                lastFilled = line;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (line.kind == Kind::Value && ProfileNamesEqual(line.name, key)) {
            std::string out;
            out.reserve(text.size() + value.size());
            out.append(text.substr(0, line.valueBegin));
            out.append(value);
            out.append(text.substr(line.end));
            return out;
        }
        if (line.kind != Kind::Blank)
            lastFilled = line;
    }

    std::string entry;
    entry.append(key).append("=").append(value).append(eol);
    std::string out;
    if (sectionFound) {
        out.reserve(text.size() + entry.size() + eol.size());
        out.append(text.substr(0, lastFilled.next));
        if (!lastFilled.hasLineEnd)
            out.append(eol);
        out.append(entry);
        out.append(text.substr(lastFilled.next));
        return out;
    }
    out.reserve(text.size() + section.size() + entry.size() + 3 * eol.size() + 2);
    out.append(text);
    if (!lastHasLineEnd)
        out.append(eol);
    if (!lastLineBlank)
        out.append(eol); // a blank line between sections
    out.append("[").append(section).append("]").append(eol);
    out.append(entry);
    return out;
}
