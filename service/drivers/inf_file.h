#pragma once
// The syntax of an INF file, as Windows reads it: sections whose names and keys have no case
// (sections of one name merged), "key = value, value" lines, ";" comments outside quotes, ""
// inside quotes for a quote, and a "\" at the very end of a line continuing it (elsewhere a
// plain character, as in every hardware id). %token% is replaced from the strings section that
// Windows picks for US English.
#include "inf_fault.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

struct InfLine {
    size_t number = 0;  // of its first line in the file
    bool hasKey = false;
    std::string key;                  // left of the first "=" outside quotes, unquoted and trimmed
    std::vector<std::string> values;  // the comma-separated fields right of it (or of the whole line)
    std::string value;                // the same text unsplit: a [Strings] value may hold commas
};

class InfFile {
public:
    // Reads the UTF-8 text of an INF file. Refuses template text that is not a finished INF
    // ("#include", "$ARCH$") and a section header without its "]".
    static bool Parse(std::string_view text, InfFile& file, InfFault& fault);

    // The lines of every section of that name, in file order; nullptr when there is none.
    const std::vector<InfLine>* Section(std::string_view name) const;
    // The first line of a section with that key; nullptr when there is none.
    const InfLine* Find(std::string_view section, std::string_view key) const;

    // The text with each %token% replaced and %% made %; false and the fault (at line) for an
    // unknown token or a % without its closing one.
    bool Expand(std::string_view text, size_t line, std::string& out, InfFault& fault) const;

private:
    void ChooseStrings();

    std::map<std::string, std::vector<InfLine>> sections_;  // by lower-case name
    std::map<std::string, std::string> strings_;            // by lower-case token
};
