#pragma once
// The temporary folders a publish makes (the askpass channel's, the SFTP destination's) are
// removed when it ends; a publish that was killed leaves them. The next publish removes those of
// earlier ones that have ended: by name (ours, with the process's number in it), owner (this user)
// and age (a folder of a name without a process number, from an earlier version, once a day old).

#include <string>

// "fotoloom-askpass-", "fotoloom-sftp-": a folder's name is the prefix, the process number, '-'
// and a random part.
std::string temporaryFolderStem(const char* prefix);

// Removes, in the folder `temporary`, the folders left by publishes that no longer run; how many.
size_t removeStaleTemporaries(const std::string& temporary);
