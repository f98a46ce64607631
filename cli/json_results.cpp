#include "cli/json_results.h"

#include <cstdio>

#include "cli/json_text.h"

namespace {

class JsonObjectText {
public:
    JsonObjectText& member(const char* key, const std::string& jsonValue)
    {
        // Appended piece by piece: GCC 12 sees a false overlap in "{" + std::string(...) (-Wrestrict).
        text_.append(text_.empty() ? "{" : ", ").append(jsonString(key)).append(": ").append(jsonValue);
        return *this;
    }
    JsonObjectText& text(const char* key, const std::string& value) { return member(key, jsonString(value)); }
    JsonObjectText& count(const char* key, uint64_t n) { return member(key, std::to_string(n)); }
    JsonObjectText& flag(const char* key, bool on) { return member(key, on ? "true" : "false"); }
    JsonObjectText& seconds(const char* key, double value)
    {
        char number[32];
        // A clock that went wrong must not make "nan" or "-0.000", which are no JSON numbers.
        std::snprintf(number, sizeof number, "%.3f", value > 0 && value < 1e12 ? value : 0.0);
        return member(key, number);
    }
    std::string done() const { return std::string(text_.empty() ? "{" : text_).append("}\n"); }

private:
    std::string text_;
};

class FailureList {
public:
    void add(const std::string& file, const std::string& reason)
    {
        text_.append(text_.size() > 1 ? ", {" : "{").append(jsonString("file")).append(": ").append(jsonString(file));
        text_.append(", ").append(jsonString("reason")).append(": ").append(jsonString(reason)).append("}");
    }
    std::string done() const { return std::string(text_).append("]"); }

private:
    std::string text_ = "[";
};

}  // namespace

std::string buildResultJson(const BuildResult& r, double seconds)
{
    FailureList failed;
    for (size_t i = 0; i < r.unreadablePictures.size(); ++i)
        failed.add(r.unreadablePictures[i],
                   i < r.unreadableReasons.size() ? r.unreadableReasons[i] : std::string("it could not be read"));
    for (const std::string& picture : r.tooLargePictures)
        failed.add(picture, "too large to build within the memory budget");
    for (const std::string& file : r.unwrittenFiles) failed.add(file, "it could not be written");
    return JsonObjectText()
        .text("gallery", r.galleryFolder)
        .flag("completed", r.outcome == BuildOutcome::Completed)
        .count("written", r.filesWritten - r.filesUnchanged)
        .count("unchanged", r.filesUnchanged + r.filesKept)
        .count("removed", r.filesRemoved)
        .member("failed", failed.done())
        .count("bytes", r.bytesWritten)
        .seconds("seconds", seconds)
        .done();
}

std::string publishResultJson(const PublishResult& r, const std::string& destination, double seconds, bool dryRun)
{
    FailureList failed;
    if (!r.problem.empty()) failed.add(destination, r.problem);
    for (const PublishFailure& failure : r.failures) failed.add(failure.name, failure.reason);
    return JsonObjectText()
        .text("destination", destination)
        .flag("completed", r.problem.empty() && !r.cancelled)
        .flag("dryRun", dryRun)
        .count("sent", dryRun ? r.plan.uploads.size() : r.uploaded)
        .count("unchanged", r.plan.unchanged)
        .count("removed", dryRun ? r.plan.removals.size() : r.removed)
        .member("failed", failed.done())
        .count("bytes", dryRun ? r.plan.uploadBytes : r.bytesUploaded)
        .seconds("seconds", seconds)
        .done();
}
