#pragma once
// The visual style's "UIFILE" style sheet as tokens, and the lookup of one property of one
// selector in one style block. The bytes come from a resource of a file we do not control:
// every read is checked against the end of the buffer and the token list, nothing is copied
// by a length found in the input, and anything unexpected is simply "not found".
// Portable: no Windows headers, so the reader is fuzzed natively.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

namespace sidefold {

enum class TokenKind : uint8_t {
    Other = 0,  // any other single character (quotes included)
    Identifier = 1,
    Less = 2,
    Greater = 3,
    Equals = 4,
    OpenParen = 5,
    CloseParen = 6,
    OpenBracket = 7,
    CloseBracket = 8,
    OpenBrace = 9,
    CloseBrace = 10,
    Colon = 11,
    Semicolon = 12,
    Comma = 13,
    Bar = 14,
    Minus = 15,
    Plus = 16,
    Hash = 17,    // "#" and hexadecimal digits
    Number = 18,  // decimal, or 0x and hexadecimal digits; a sign before it is folded in
    Slash = 19,
};

struct Token {
    TokenKind kind;
    int32_t value;    // Hash and Number: the value (wrapping, as 32 bits)
    uint32_t offset;  // where the token's text starts in the sheet
    uint32_t length;  // its length (identifiers are compared on their whole text)
};

// One bracketed qualifier after an element name: "[name]", or "[id=atom(name)]" when atom.
struct Qualifier {
    std::string_view name;
    bool atom;
};

class StyleSheet {
public:
    // Tokenizes the bytes, which must outlive the sheet. False when memory ran out: the sheet
    // is then empty and counts as missing.
    bool parse(const uint8_t* data, size_t size);

    const std::vector<Token>& tokens() const { return tokens_; }
    std::string_view text(const Token& t) const;
    bool isIdentifier(size_t at, std::string_view name) const;
    bool is(size_t at, TokenKind kind) const { return at < tokens_.size() && tokens_[at].kind == kind; }

    // The index of the first value token of `property` under `element` with exactly these
    // qualifiers in the style block `block`; nothing when any part is missing.
    std::optional<size_t> find(std::string_view block, std::string_view element,
                               std::initializer_list<Qualifier> qualifiers, std::string_view property) const;

private:
    std::optional<size_t> blockStart(std::string_view block) const;
    bool blockEndsAt(size_t at) const;
    std::optional<size_t> afterQualifiers(size_t at, std::initializer_list<Qualifier> qualifiers) const;
    std::optional<size_t> propertyIn(size_t brace, std::string_view property) const;

    std::string_view source_;
    std::vector<Token> tokens_;
};

// Case-insensitive comparison of ASCII names.
bool sameName(std::string_view a, std::string_view b);

}  // namespace sidefold
