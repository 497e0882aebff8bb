#include "data/fields.h"

namespace data {

namespace {
bool Blank(char c) { return c == ' ' || c == '\t'; }
bool LineEnd(char c) { return c == '\r' || c == '\n'; }
}  // namespace

void FieldReader::SkipBlanks() {
    while (pos_ < text_.size() && Blank(text_[pos_])) ++pos_;
}

bool FieldReader::AtEnd() {
    // Blank lines between fields are not fields of their own.
    while (pos_ < text_.size() && (Blank(text_[pos_]) || LineEnd(text_[pos_]))) ++pos_;
    return pos_ >= text_.size();
}

std::optional<std::string> FieldReader::Next() {
    if (blank_ == BlankLines::Empty) SkipBlanks();  // a line break ahead ends an empty field
    if (blank_ == BlankLines::Empty ? pos_ >= text_.size() : AtEnd()) return std::nullopt;
    std::string field;
    if (text_[pos_] == '"') {
        const size_t close = text_.find('"', pos_ + 1);
        const size_t end = close == std::string::npos ? text_.size() : close;
        field = text_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = end == text_.size() ? end : end + 1;
        // Whatever follows the closing quote up to the separator is dropped.
        while (pos_ < text_.size() && text_[pos_] != ',' && !LineEnd(text_[pos_])) ++pos_;
    } else {
        const size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ',' && !LineEnd(text_[pos_])) ++pos_;
        field = text_.substr(start, pos_ - start);
        while (!field.empty() && Blank(field.back())) field.pop_back();
    }
    if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
    else if (pos_ < text_.size() && text_[pos_] == '\r') {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    } else if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    return field;
}

std::optional<int64_t> ParseNumber(const std::string& text) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    if (i >= text.size() || text.size() - i > 12) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::optional<int64_t> FieldReader::NextNumber(int64_t min, int64_t max) {
    const auto field = Next();
    if (!field) return std::nullopt;
    const auto value = ParseNumber(*field);
    if (!value || *value < min || *value > max) return std::nullopt;
    return value;
}

}  // namespace data
