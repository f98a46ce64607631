#pragma once
// AWS Signature Version 4, the signing every S3-compatible service takes: a canonical form of
// the request, hashed (SHA-256) into a text to sign, signed with a key made from the secret by a
// chain of HMAC-SHA256 over the date, region and service. Written once, portably, on base/crypto.h;
// checked against AWS's published examples and against a server that verifies signatures.
//
// USAGE
//   SigV4Request r{.method = "PUT", .path = "/bucket/photos/a.jpg", .amzDate = "20260512T101500Z",
//                  .region = "us-east-1", .payloadHash = hexDigest(sha256(body))};
//   r.headers = {{"host", "127.0.0.1:9000"}, {"x-amz-content-sha256", r.payloadHash},
//                {"x-amz-date", r.amzDate}};
//   std::string header = sigV4Authorization(r, credentials);   // the Authorization header's value
//
// The secret appears nowhere but in the key chain: no text this returns holds it.

#include <string>
#include <utility>
#include <vector>

struct S3Credentials {
    std::string accessKey;
    std::string secretKey;
    std::string sessionToken;  // "" unless the keys are temporary ones
};

struct SigV4Request {
    std::string method;
    std::string path;                                          // not yet encoded: "/bucket/key with spaces"
    std::vector<std::pair<std::string, std::string>> query;    // not yet encoded
    std::vector<std::pair<std::string, std::string>> headers;  // every header signed, any case
    std::string amzDate;                                       // "20150830T123600Z"
    std::string region;
    std::string service = "s3";
    std::string payloadHash;  // hex SHA-256 of the body, or "UNSIGNED-PAYLOAD"
};

// RFC 3986 percent-encoding as SigV4 wants it: unreserved characters kept, every other byte as
// %XY (upper case); '/' kept when `keepSlash`.
std::string sigV4Encode(std::string_view text, bool keepSlash);
// The encoded query "a=1&b=2", sorted as the signature sorts it.
std::string sigV4Query(const std::vector<std::pair<std::string, std::string>>& query);

std::string sigV4CanonicalRequest(const SigV4Request& request);
std::string sigV4StringToSign(const SigV4Request& request);
std::string sigV4Signature(const SigV4Request& request, const std::string& secretKey);
// "AWS4-HMAC-SHA256 Credential=AKID/20150830/us-east-1/s3/aws4_request, SignedHeaders=...,
// Signature=..."
std::string sigV4Authorization(const SigV4Request& request, const S3Credentials& credentials);
