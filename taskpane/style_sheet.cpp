#include "taskpane/style_sheet.h"

#include <limits>
#include <new>

namespace sidefold {

namespace {

bool isLetter(uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }
int hexDigit(uint8_t c)
{
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

TokenKind punctuation(uint8_t c)
{
    switch (c) {
    case '<': return TokenKind::Less;
    case '>': return TokenKind::Greater;
    case '=': return TokenKind::Equals;
    case '(': return TokenKind::OpenParen;
    case ')': return TokenKind::CloseParen;
    case '[': return TokenKind::OpenBracket;
    case ']': return TokenKind::CloseBracket;
    case '{': return TokenKind::OpenBrace;
    case '}': return TokenKind::CloseBrace;
    case ':': return TokenKind::Colon;
    case ';': return TokenKind::Semicolon;
    case ',': return TokenKind::Comma;
    case '|': return TokenKind::Bar;
    case '-': return TokenKind::Minus;
    case '+': return TokenKind::Plus;
    case '/': return TokenKind::Slash;
    default: return TokenKind::Other;
    }
}

// Reads hexadecimal digits from `at`; the value wraps as 32 bits.
size_t readHex(const uint8_t* data, size_t size, size_t at, uint32_t& value)
{
    value = 0;
    while (at < size && hexDigit(data[at]) >= 0) value = value * 16u + static_cast<uint32_t>(hexDigit(data[at++]));
    return at;
}

}  // namespace

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool StyleSheet::parse(const uint8_t* data, size_t size)
{
    tokens_.clear();
    source_ = {};
    if (size > std::numeric_limits<uint32_t>::max()) return false;
    source_ = std::string_view(reinterpret_cast<const char*>(data), size);
    try {
        size_t at = 0;
        while (at < size) {
            const uint8_t c = data[at];
            const auto start = static_cast<uint32_t>(at);
            if (c < '!') {
                ++at;
            } else if (isLetter(c)) {
                while (at < size && (isLetter(data[at]) || isDigit(data[at]))) ++at;
                tokens_.push_back({TokenKind::Identifier, 0, start, static_cast<uint32_t>(at - start)});
            } else if (c == '#' && at + 1 < size && hexDigit(data[at + 1]) >= 0) {
                uint32_t value;
                at = readHex(data, size, at + 1, value);
                tokens_.push_back(
                    {TokenKind::Hash, static_cast<int32_t>(value), start, static_cast<uint32_t>(at - start)});
            } else if (isDigit(c)) {
                uint32_t value = 0;
                if (c == '0' && at + 1 < size && (data[at + 1] == 'x' || data[at + 1] == 'X')) {
                    at = readHex(data, size, at + 2, value);
                } else {
                    while (at < size && isDigit(data[at])) value = value * 10u + (data[at++] - '0');
                }
                // The sign is a token of its own however it is spaced; fold it into the number.
                if (!tokens_.empty() && tokens_.back().kind == TokenKind::Minus) {
                    value = 0u - value;
                    tokens_.pop_back();
                } else if (!tokens_.empty() && tokens_.back().kind == TokenKind::Plus) {
                    tokens_.pop_back();
                }
                tokens_.push_back(
                    {TokenKind::Number, static_cast<int32_t>(value), start, static_cast<uint32_t>(at - start)});
            } else {
                tokens_.push_back({punctuation(c), 0, start, 1});
                ++at;
            }
        }
    } catch (const std::bad_alloc&) {
        tokens_.clear();
        tokens_.shrink_to_fit();
        return false;
    }
    return true;
}

std::string_view StyleSheet::text(const Token& t) const
{
    if (t.offset > source_.size()) return {};
    return source_.substr(t.offset, t.length);
}

bool StyleSheet::isIdentifier(size_t at, std::string_view name) const
{
    return is(at, TokenKind::Identifier) && sameName(text(tokens_[at]), name);
}

std::optional<size_t> StyleSheet::blockStart(std::string_view block) const
{
    for (size_t i = 0; i + 5 < tokens_.size(); ++i) {
        if (is(i, TokenKind::Less) && isIdentifier(i + 1, "style") && isIdentifier(i + 2, "resid") &&
            is(i + 3, TokenKind::Equals) && isIdentifier(i + 4, block) && is(i + 5, TokenKind::Greater))
            return i + 6;
    }
    return std::nullopt;
}

bool StyleSheet::blockEndsAt(size_t at) const
{
    return is(at, TokenKind::Less) && is(at + 1, TokenKind::Slash) && isIdentifier(at + 2, "style") &&
           is(at + 3, TokenKind::Greater);
}

// The index after the qualifiers when they all follow `at` in order; nothing otherwise.
std::optional<size_t> StyleSheet::afterQualifiers(size_t at, std::initializer_list<Qualifier> qualifiers) const
{
    for (const Qualifier& q : qualifiers) {
        if (!is(at, TokenKind::OpenBracket)) return std::nullopt;
        if (q.atom) {
            if (!isIdentifier(at + 1, "id") || !is(at + 2, TokenKind::Equals) || !isIdentifier(at + 3, "atom") ||
                !is(at + 4, TokenKind::OpenParen) || !isIdentifier(at + 5, q.name) ||
                !is(at + 6, TokenKind::CloseParen) || !is(at + 7, TokenKind::CloseBracket))
                return std::nullopt;
            at += 8;
        } else {
            if (!isIdentifier(at + 1, q.name) || !is(at + 2, TokenKind::CloseBracket)) return std::nullopt;
            at += 3;
        }
    }
    return at;
}

std::optional<size_t> StyleSheet::propertyIn(size_t brace, std::string_view property) const
{
    for (size_t i = brace + 1; i < tokens_.size(); ++i) {
        if (is(i, TokenKind::CloseBrace)) return std::nullopt;
        if (isIdentifier(i, property) && is(i + 1, TokenKind::Colon)) {
            if (i + 2 >= tokens_.size()) return std::nullopt;
            return i + 2;
        }
    }
    return std::nullopt;
}

std::optional<size_t> StyleSheet::find(std::string_view block, std::string_view element,
                                       std::initializer_list<Qualifier> qualifiers, std::string_view property) const
{
    const std::optional<size_t> start = blockStart(block);
    if (!start) return std::nullopt;
    for (size_t i = *start; i < tokens_.size(); ++i) {
        if (blockEndsAt(i)) return std::nullopt;
        if (!isIdentifier(i, element)) continue;
        const std::optional<size_t> next = afterQualifiers(i + 1, qualifiers);
        if (!next || !is(*next, TokenKind::OpenBrace)) continue;
        return propertyIn(*next, property);
    }
    return std::nullopt;
}

}  // namespace sidefold
