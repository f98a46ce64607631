#pragma once
// What a destination the user typed names: a folder, an SFTP server or S3-compatible object
// storage. Anything else that is written as an address ("ftp://...", "https://...") or looks like a
// mistyped one ("sftp:/x", "s3:bucket") is refused here, up front, so it is never taken for a
// relative folder and made.

#include <optional>
#include <string>
#include <string_view>

enum class DestinationKind { LocalFolder, Sftp, S3 };

// The kind of destination `text` names; nothing, with `error` set to a message for the user, when
// it is written as an address of a kind we cannot publish to or looks like a mistyped address. A
// folder whose first name has a colon in it is written "./name:..." to be taken as a folder.
std::optional<DestinationKind> destinationKindOf(std::string_view text, std::string& error);

// The addresses we take, for messages: "sftp://user@host/path, s3://bucket/prefix or a folder".
std::string destinationForms();
