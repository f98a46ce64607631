#include "publish/destination_address.h"

#include <cctype>

#include "publish/sftp_address.h"

namespace {

constexpr std::string_view kS3Scheme = "s3://";

// The length of "word:" at the start of `text` when it reads as an address's scheme: a letter,
// then letters, digits, '+', '-' or '.', and a colon; 0 otherwise. One letter is a Windows drive.
size_t schemeLength(std::string_view text)
{
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
    size_t at = 1;
    while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '+' ||
                                text[at] == '-' || text[at] == '.'))
        ++at;
    if (at >= text.size() || text[at] != ':' || at < 2) return 0;
    return at + 1;
}

}  // namespace

std::string destinationForms() { return "sftp://user@host/path, s3://bucket/prefix or a folder"; }

std::optional<DestinationKind> destinationKindOf(std::string_view text, std::string& error)
{
    if (text.starts_with(kSftpScheme)) return DestinationKind::Sftp;
    if (text.starts_with(kS3Scheme)) return DestinationKind::S3;
    const size_t scheme = schemeLength(text);
    if (scheme == 0) return DestinationKind::LocalFolder;
    const std::string shown(text);
    if (text.substr(scheme).starts_with("//"))
        error = "'" + shown + "' cannot be published to: the destination is " + destinationForms();
    else
        error = "'" + shown + "' looks like a mistyped address (sftp://..., s3://...); the destination is " +
                destinationForms() + " (write ./" + shown + " for a folder of that name)";
    return std::nullopt;
}
