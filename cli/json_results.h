#pragma once
// What 'fotoloom build --json' and 'fotoloom publish --json' print: one JSON object on a line of
// its own, with the counts the build or the publish made and every file that failed, with why.
//
//   build:   {"gallery", "completed", "written", "unchanged", "removed", "failed": [{"file",
//             "reason"}], "bytes", "seconds"}
//   publish: {"destination", "completed", "dryRun", "sent", "unchanged", "removed", "failed",
//             "bytes", "seconds"}
// "written" and "sent" leave out the files that already held the same bytes ("unchanged"); a dry
// run counts what it would send and remove. "completed" is false for a build that was refused or
// stopped and a publish that could not start or was stopped.

#include <string>

#include "generator/site_builder.h"
#include "publish/publish_engine.h"

std::string buildResultJson(const BuildResult& result, double seconds);
std::string publishResultJson(const PublishResult& result, const std::string& destination, double seconds, bool dryRun);
