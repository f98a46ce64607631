#include "generator/record_fields.h"

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One line of a record file: the header first, then records.
class LineReader {
public:
    LineReader(const HeaderCheck& header, const RecordSink& record) : header_(header), record_(record) {}

    // False once the header has been refused: the rest is not ours.
    bool take(std::string_view line)
    {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (first_) {
            first_ = false;
            refused_ = !header_(line);
        } else if (!refused_) {
            record_(splitFields(line));
        }
        return !refused_;
    }

private:
    const HeaderCheck& header_;
    const RecordSink& record_;
    bool first_ = true;
    bool refused_ = false;
};

}  // namespace

std::string escapeField(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '%': out += "%25"; break;
        case '\t': out += "%09"; break;
        case '\n': out += "%0A"; break;
        case '\r': out += "%0D"; break;
        default: out += c;
        }
    }
    return out;
}

bool unescapeField(std::string_view s, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (s.size() - i < 3) return false;
        const int hi = hexValue(s[i + 1]);
        const int lo = hexValue(s[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    size_t from = 0;
    for (;;) {
        const size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
        if (tab == std::string_view::npos) return fields;
        from = tab + 1;
    }
}

void readRecords(std::string_view text, const HeaderCheck& header, const RecordSink& record)
{
    LineReader reader(header, record);
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string_view::npos) end = text.size();
        if (!reader.take(text.substr(from, end - from))) return;
        from = end + 1;
    }
}

bool readRecords(std::FILE* file, uint64_t& budget, size_t longestLine, const HeaderCheck& header,
                 const RecordSink& record)
{
    LineReader reader(header, record);
    std::string line;
    bool tooLong = false;
    for (;;) {
        if (budget == 0) return std::fgetc(file) == EOF;
        const int c = std::fgetc(file);
        if (c == EOF) break;
        --budget;
        if (c != '\n') {
            if (line.size() < longestLine) {
                line += static_cast<char>(c);
            } else {
                tooLong = true;
            }
            continue;
        }
        if (!tooLong && !reader.take(line)) return true;
        line.clear();
        tooLong = false;
    }
    if (!line.empty() && !tooLong) reader.take(line);
    return true;
}
