#include "publish/s3_signature.h"

#include <algorithm>
#include <cctype>

#include "base/crypto.h"

namespace {

std::string lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A header's value as signed: spaces around it dropped, runs of spaces inside made one.
std::string trimmed(std::string_view value)
{
    std::string out;
    bool space = false;
    for (char c : value) {
        if (c == ' ' || c == '\t') {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// The signed headers by lower-case name, in order; a name given twice joins its values with ','.
std::vector<std::pair<std::string, std::string>> canonicalHeaders(const SigV4Request& request)
{
    std::vector<std::pair<std::string, std::string>> headers;
    for (const auto& [name, value] : request.headers) headers.emplace_back(lower(name), trimmed(value));
    std::stable_sort(headers.begin(), headers.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<std::string, std::string>> joined;
    for (auto& header : headers) {
        if (!joined.empty() && joined.back().first == header.first)
            joined.back().second += "," + header.second;
        else
            joined.push_back(std::move(header));
    }
    return joined;
}

std::string signedHeaderNames(const SigV4Request& request)
{
    std::string names;
    for (const auto& header : canonicalHeaders(request)) names += (names.empty() ? "" : ";") + header.first;
    return names;
}

std::string scope(const SigV4Request& request)
{
    return request.amzDate.substr(0, 8) + "/" + request.region + "/" + request.service + "/aws4_request";
}

}  // namespace

std::string sigV4Encode(std::string_view text, bool keepSlash)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '~' || (keepSlash && c == '/')) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string sigV4Query(const std::vector<std::pair<std::string, std::string>>& query)
{
    std::vector<std::pair<std::string, std::string>> encoded;
    for (const auto& [name, value] : query) encoded.emplace_back(sigV4Encode(name, false), sigV4Encode(value, false));
    std::sort(encoded.begin(), encoded.end());
    std::string out;
    for (const auto& [name, value] : encoded) out += (out.empty() ? "" : "&") + name + "=" + value;
    return out;
}

std::string sigV4CanonicalRequest(const SigV4Request& request)
{
    std::string text = request.method + "\n" + sigV4Encode(request.path.empty() ? "/" : request.path, true) + "\n" +
                       sigV4Query(request.query) + "\n";
    for (const auto& [name, value] : canonicalHeaders(request)) text += name + ":" + value + "\n";
    return text + "\n" + signedHeaderNames(request) + "\n" + request.payloadHash;
}

std::string sigV4StringToSign(const SigV4Request& request)
{
    return "AWS4-HMAC-SHA256\n" + request.amzDate + "\n" + scope(request) + "\n" +
           hexDigest(sha256(sigV4CanonicalRequest(request)));
}

std::string sigV4Signature(const SigV4Request& request, const std::string& secretKey)
{
    std::string key = digestBytes(hmacSha256("AWS4" + secretKey, request.amzDate.substr(0, 8)));
    for (const std::string& step : {request.region, request.service, std::string("aws4_request")})
        key = digestBytes(hmacSha256(key, step));
    return hexDigest(hmacSha256(key, sigV4StringToSign(request)));
}

std::string sigV4Authorization(const SigV4Request& request, const S3Credentials& credentials)
{
    return "AWS4-HMAC-SHA256 Credential=" + credentials.accessKey + "/" + scope(request) +
           ", SignedHeaders=" + signedHeaderNames(request) +
           ", Signature=" + sigV4Signature(request, credentials.secretKey);
}
