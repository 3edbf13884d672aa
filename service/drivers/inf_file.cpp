#include "inf_file.h"

#include "ansi_text.h"
#include "plain_text.h"

#include <cctype>
#include <cstdlib>

namespace {

// No field Windows reads from an INF file comes near this; tokens repeated in one field could
// otherwise make it as large as memory.
constexpr size_t kLongestExpansion = size_t{64} * 1024;

// Words of the C preprocessor that template INFs (.inx) hold before they are finished.
constexpr std::string_view kPreprocessorWords[] = {"include", "define", "if",   "ifdef", "ifndef",
                                                   "endif",   "else",   "elif", "undef", "pragma"};

// A logical line's characters, each marked whether it stood inside quotes.
struct MarkedText {
    std::string chars;
    std::vector<bool> quoted;

    void Add(char c, bool inQuotes)
    {
        chars += c;
        quoted.push_back(inQuotes);
    }
    bool IsPlain(size_t i, char c) const { return chars[i] == c && !quoted[i]; }
    // Trims blanks outside quotes from both ends of [begin, end).
    std::string Field(size_t begin, size_t end) const
    {
        while (begin < end && IsBlank(chars[begin]) && !quoted[begin])
            ++begin;
        while (end > begin && IsBlank(chars[end - 1]) && !quoted[end - 1])
            --end;
        return chars.substr(begin, end - begin);
    }
};

// Appends one line of the file to text; true when it ends with a continuing "\".
bool AppendLine(std::string_view line, MarkedText& text)
{
    bool inQuotes = false;
    const size_t start = text.chars.size();
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (inQuotes && i + 1 < line.size() && line[i + 1] == '"')
                text.Add(line[++i], true);
            else
                inQuotes = !inQuotes;
        } else if (c == ';' && !inQuotes) {
            break;
        } else {
            text.Add(c, inQuotes);
        }
    }
    size_t end = text.chars.size();
    while (end > start && IsBlank(text.chars[end - 1]) && !text.quoted[end - 1])
        --end;
    const bool continues = end > start && text.IsPlain(end - 1, '\\');
    text.chars.resize(continues ? end - 1 : end);
    text.quoted.resize(text.chars.size());
    return continues;
}

InfLine SplitLine(const MarkedText& text, size_t number)
{
    InfLine line;
    line.number = number;
    size_t start = 0;
    for (size_t i = 0; i < text.chars.size(); ++i) {
        if (text.IsPlain(i, '=')) {
            line.hasKey = true;
            line.key = text.Field(0, i);
            start = i + 1;
            break;
        }
    }
    line.value = text.Field(start, text.chars.size());
    for (size_t begin = start, i = start;; ++i) {
        if (i == text.chars.size() || text.IsPlain(i, ',')) {
            line.values.push_back(text.Field(begin, i));
            begin = i + 1;
        }
        if (i == text.chars.size())
            break;
    }
    return line;
}

bool IsTemplateLine(std::string_view line)
{
    if (line.find("$ARCH$") != std::string_view::npos)
        return true;
    line = Trimmed(line);
    if (line.empty() || line.front() != '#')
        return false;
    line = Trimmed(line.substr(1));
    for (std::string_view word : kPreprocessorWords) {
        if (line.substr(0, word.size()) == word &&
            (line.size() == word.size() || !std::isalnum(static_cast<unsigned char>(line[word.size()]))))
            return true;
    }
    return false;
}

// The language of a "strings.XXXX" section, -1 for another name.
long LanguageOf(const std::string& section)
{
    constexpr std::string_view kPrefix = "strings.";
    if (section.compare(0, kPrefix.size(), kPrefix) != 0 || section.size() == kPrefix.size())
        return -1;
    char* end = nullptr;
    long language = std::strtol(section.c_str() + kPrefix.size(), &end, 16);
    return *end == '\0' ? language : -1;
}

}  // namespace

bool InfFile::Parse(std::string_view text, InfFile& file, InfFault& fault)
{
    file = InfFile();
    std::vector<InfLine>* section = nullptr;  // lines before the first section are not read
    MarkedText logical;
    size_t logicalStart = 0;
    size_t number = 0;
    while (!text.empty()) {
        std::string_view line = TakeLine(text);
        ++number;
        if (IsTemplateLine(line)) {
            fault = {number, "template text (" + std::string(Trimmed(line).substr(0, 40)) +
                                 "), not a finished INF: it needs the driver's build tools first"};
            return false;
        }
        if (logical.chars.empty()) {
            logicalStart = number;
            std::string_view trimmed = Trimmed(line);
            if (!trimmed.empty() && trimmed.front() == '[') {
                size_t close = trimmed.find(']');
                if (close == std::string_view::npos) {
                    fault = {number, "a section name without its ]"};
                    return false;
                }
                section = &file.sections_[AsciiLower(Trimmed(trimmed.substr(1, close - 1)))];
                continue;
            }
        }
        if (AppendLine(line, logical))
            continue;
        if (section && !Trimmed(logical.chars).empty())
            section->push_back(SplitLine(logical, logicalStart));
        logical = MarkedText();
    }
    if (section && !Trimmed(logical.chars).empty())
        section->push_back(SplitLine(logical, logicalStart));
    file.ChooseStrings();
    return true;
}

// [Strings.0409] (US English), else a neutral or other English one (the lowest language id
// whose primary language is English), else [Strings].
void InfFile::ChooseStrings()
{
    constexpr long kUsEnglish = 0x0409, kEnglish = 0x09, kPrimaryMask = 0x3FF;
    const std::vector<InfLine>* chosen = Section("strings");
    long chosenLanguage = -1;
    for (const auto& [name, lines] : sections_) {
        const long language = LanguageOf(name);
        if (language < 0 || (language & kPrimaryMask) != kEnglish)
            continue;
        const bool better =
            chosenLanguage < 0 || language == kUsEnglish || (chosenLanguage != kUsEnglish && language < chosenLanguage);
        if (better) {
            chosen = &lines;
            chosenLanguage = language;
        }
    }
    if (!chosen)
        return;
    for (const InfLine& line : *chosen) {
        if (line.hasKey)
            strings_.emplace(AsciiLower(line.key), line.value);
    }
}

const std::vector<InfLine>* InfFile::Section(std::string_view name) const
{
    auto found = sections_.find(AsciiLower(name));
    return found == sections_.end() ? nullptr : &found->second;
}

const InfLine* InfFile::Find(std::string_view section, std::string_view key) const
{
    const std::vector<InfLine>* lines = Section(section);
    if (!lines)
        return nullptr;
    const std::string wanted = AsciiLower(key);
    for (const InfLine& line : *lines) {
        if (line.hasKey && AsciiLower(line.key) == wanted)
            return &line;
    }
    return nullptr;
}

bool InfFile::Expand(std::string_view text, size_t line, std::string& out, InfFault& fault) const
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        size_t close = text.find('%', i + 1);
        if (close == std::string_view::npos) {
            fault = {line, "a % without its closing %: " + std::string(text)};
            return false;
        }
        if (close == i + 1) {
            out += '%';
        } else {
            auto found = strings_.find(AsciiLower(text.substr(i + 1, close - i - 1)));
            if (found == strings_.end()) {
                fault = {line, "unknown token " + std::string(text.substr(i, close - i + 1))};
                return false;
            }
            out += found->second;
        }
        i = close;
        if (out.size() > kLongestExpansion) {
            fault = {line, "a value longer than 64 KiB once its tokens are replaced"};
            return false;
        }
    }
    return true;
}
