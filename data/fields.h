// Free-format fields of the game's plain text files: a field ends at a comma
// or a line break; a field in double quotes may hold commas; spaces around
// a field are ignored.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace data {

class FieldReader {
public:
    // Blank lines between fields are skipped, or, with BlankLines::Empty
    // (the help text), each is an empty field of its own.
    enum class BlankLines { Skip, Empty };
    explicit FieldReader(std::string text, BlankLines blank = BlankLines::Skip)
        : text_(std::move(text)), blank_(blank) {}
    // The next field's text (without its quotes), or nothing at the end.
    std::optional<std::string> Next();
    // The next field as a whole decimal number in [min, max], or nothing.
    std::optional<int64_t> NextNumber(int64_t min, int64_t max);
    bool AtEnd();

private:
    void SkipBlanks();
    std::string text_;
    BlankLines blank_;
    size_t pos_ = 0;
};

// The decimal number a whole text holds (an optional minus sign, digits,
// nothing else), or nothing.
std::optional<int64_t> ParseNumber(const std::string& text);

}  // namespace data
