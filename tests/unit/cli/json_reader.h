#pragma once
// A strict JSON reader for the tests of the command line's JSON output: what it accepts is what
// any conforming parser accepts (RFC 8259), so output that passes here is output a script can
// read. It refuses what lenient parsers let through: trailing commas, single quotes, leading
// zeros, raw control characters in strings, lone surrogates, ill-formed UTF-8, duplicate keys,
// and anything after the value.

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace cli_test {

struct JsonValue;
using JsonArray = std::vector<JsonValue>;
using JsonObject = std::map<std::string, JsonValue, std::less<>>;

struct JsonValue {
    // null, true/false, a number (kept as its text and as a double), a string, an array, an object.
    std::variant<std::nullptr_t, bool, double, std::string, std::shared_ptr<JsonArray>, std::shared_ptr<JsonObject>>
        value;
    std::string numberText;

    bool isNull() const { return std::holds_alternative<std::nullptr_t>(value); }
    bool isNumber() const { return std::holds_alternative<double>(value); }
    bool isString() const { return std::holds_alternative<std::string>(value); }
    bool isArray() const { return std::holds_alternative<std::shared_ptr<JsonArray>>(value); }
    bool isObject() const { return std::holds_alternative<std::shared_ptr<JsonObject>>(value); }

    double number() const { return std::get<double>(value); }
    const std::string& string() const { return std::get<std::string>(value); }
    const JsonArray& array() const { return *std::get<std::shared_ptr<JsonArray>>(value); }
    const JsonObject& object() const { return *std::get<std::shared_ptr<JsonObject>>(value); }
    // A member of an object; throws when there is none, so a missing field fails the test.
    const JsonValue& operator[](std::string_view key) const
    {
        const JsonObject& members = object();
        auto found = members.find(key);
        if (found == members.end()) throw std::out_of_range("no member \"" + std::string(key) + "\"");
        return found->second;
    }
    const JsonValue& operator[](size_t index) const { return array().at(index); }
};

class JsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class JsonReader {
public:
    // The one value of `text`, with whitespace around it allowed; JsonError says where it went wrong.
    static JsonValue parse(std::string_view text)
    {
        JsonReader reader(text);
        reader.skipSpace();
        JsonValue value = reader.readValue(0);
        reader.skipSpace();
        if (reader.at_ != text.size()) reader.fail("text after the value");
        return value;
    }

private:
    static constexpr int kDeepest = 64;

    explicit JsonReader(std::string_view text) : text_(text) {}

    [[noreturn]] void fail(const std::string& what) const { throw JsonError(what + " at byte " + std::to_string(at_)); }
    bool atEnd() const { return at_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[at_]; }
    void expect(char c)
    {
        if (peek() != c) fail(std::string("expected '") + c + "'");
        ++at_;
    }
    void skipSpace()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) ++at_;
    }
    void literal(std::string_view word)
    {
        if (text_.substr(at_, word.size()) != word) fail("unknown word");
        at_ += word.size();
    }

    JsonValue readValue(int depth)
    {
        if (depth > kDeepest) fail("nested too deep");
        JsonValue v;
        switch (peek()) {
        case '{': v.value = readObject(depth); break;
        case '[': v.value = readArray(depth); break;
        case '"': v.value = readString(); break;
        case 't':
            literal("true");
            v.value = true;
            break;
        case 'f':
            literal("false");
            v.value = false;
            break;
        case 'n':
            literal("null");
            v.value = nullptr;
            break;
        default:
            v.numberText = readNumber();
            v.value = std::stod(v.numberText);
            break;
        }
        return v;
    }

    std::shared_ptr<JsonObject> readObject(int depth)
    {
        auto members = std::make_shared<JsonObject>();
        expect('{');
        skipSpace();
        if (peek() == '}') {
            ++at_;
            return members;
        }
        for (;;) {
            skipSpace();
            if (peek() != '"') fail("expected a key");
            std::string key = readString();
            skipSpace();
            expect(':');
            skipSpace();
            if (!members->emplace(key, readValue(depth + 1)).second) fail("key \"" + key + "\" twice");
            skipSpace();
            if (peek() == '}') {
                ++at_;
                return members;
            }
            expect(',');
        }
    }

    std::shared_ptr<JsonArray> readArray(int depth)
    {
        auto items = std::make_shared<JsonArray>();
        expect('[');
        skipSpace();
        if (peek() == ']') {
            ++at_;
            return items;
        }
        for (;;) {
            skipSpace();
            items->push_back(readValue(depth + 1));
            skipSpace();
            if (peek() == ']') {
                ++at_;
                return items;
            }
            expect(',');
        }
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    std::string readNumber()
    {
        const size_t start = at_;
        if (peek() == '-') ++at_;
        if (peek() == '0') {
            ++at_;
        } else if (isDigit(peek())) {
            while (isDigit(peek())) ++at_;
        } else {
            fail("expected a value");
        }
        if (peek() == '.') {
            ++at_;
            if (!isDigit(peek())) fail("expected a digit after '.'");
            while (isDigit(peek())) ++at_;
        }
        if (peek() == 'e' || peek() == 'E') {
            ++at_;
            if (peek() == '+' || peek() == '-') ++at_;
            if (!isDigit(peek())) fail("expected a digit in the exponent");
            while (isDigit(peek())) ++at_;
        }
        return std::string(text_.substr(start, at_ - start));
    }

    unsigned readHex4()
    {
        if (text_.size() - at_ < 4) fail("\\u cut short");
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            code <<= 4;
            if (isDigit(c))
                code |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                code |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                code |= static_cast<unsigned>(c - 'A' + 10);
            else
                fail("bad hex digit");
        }
        return code;
    }

    static void appendUtf8(std::string& out, uint32_t code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    // One well-formed UTF-8 sequence, copied.
    void copyUtf8(std::string& out)
    {
        const auto byte = [&](size_t k) { return static_cast<unsigned char>(text_[k]); };
        const unsigned char lead = byte(at_);
        size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead < 0x80)
            length = 1;
        else if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            fail("ill-formed UTF-8");
        }
        if (text_.size() - at_ < length) fail("UTF-8 cut short");
        if (length > 1 && (byte(at_ + 1) < low || byte(at_ + 1) > high)) fail("ill-formed UTF-8");
        for (size_t k = 2; k < length; ++k)
            if ((byte(at_ + k) & 0xC0) != 0x80) fail("ill-formed UTF-8");
        out.append(text_.substr(at_, length));
        at_ += length;
    }

    std::string readString()
    {
        expect('"');
        std::string out;
        for (;;) {
            if (atEnd()) fail("string not closed");
            const char c = peek();
            if (c == '"') {
                ++at_;
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20) fail("raw control character in a string");
            if (c != '\\') {
                copyUtf8(out);
                continue;
            }
            ++at_;
            const char e = atEnd() ? '\0' : text_[at_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                uint32_t code = readHex4();
                if (code >= 0xDC00 && code <= 0xDFFF) fail("lone low surrogate");
                if (code >= 0xD800 && code <= 0xDBFF) {
                    if (text_.substr(at_, 2) != "\\u") fail("lone high surrogate");
                    at_ += 2;
                    const uint32_t low = readHex4();
                    if (low < 0xDC00 || low > 0xDFFF) fail("lone high surrogate");
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                appendUtf8(out, code);
                break;
            }
            default: fail("unknown escape");
            }
        }
    }

    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace cli_test
