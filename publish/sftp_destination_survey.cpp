// The SFTP destination's look at what stands on the server before it writes: its folder made, the
// lock taken, the folders of ours listed once (links refused), the record's entries checked, and
// the stamps of what went up.

#include <ctime>
#include <random>

#include "base/file_system.h"
#include "publish/publish_lock.h"
#include "publish/sftp_argument.h"
#include "publish/sftp_destination.h"

namespace {

constexpr const char* kOurFolders[] = {"photos", "thumbs", "images"};

std::string randomHex()
{
    std::random_device random;
    char text[17];
    std::snprintf(text, sizeof text, "%08x%08x", random(), random());
    return text;
}

// The name after the listed path's last '/'.
std::string entryName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool isLeftoverPart(const std::string& name, char kind)
{
    return name.size() > 1 && name[0] == '.' && name.find(".fotoloom-part") != std::string::npos &&
           (kind == '-' || kind == 'l');
}

// The year of a file the listing shows with its time of day: within the last six months.
int yearOfRecent(const SftpListingEntry& entry)
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    const int year = parts.tm_year + 1900;
    const bool later = entry.month > parts.tm_mon + 1 || (entry.month == parts.tm_mon + 1 && entry.day > parts.tm_mday);
    return later ? year - 1 : year;
}

}  // namespace

SftpDestination::Listed SftpDestination::list(const std::string& name, Listing& entries, std::string& error)
{
    entries.clear();
    const std::string path = remotePath(name);
    const std::optional<std::string> quoted = sftpArgument(path.empty() ? "." : path);
    if (!quoted) {
        error = "the path '" + path + "' cannot be named to the sftp client";
        return Listed::Failed;
    }
    std::vector<std::string> output;
    if (!run({"-ls -lna " + *quoted}, output, error)) return Listed::Failed;
    std::string unread;
    for (const std::string& line : output) {
        std::optional<SftpListingEntry> entry = parseSftpListing(line);
        if (!entry) {
            if (unread.empty()) unread = line;
            continue;
        }
        entries[entryName(entry->path)] = std::move(*entry);
    }
    if (!entries.empty()) return Listed::Read;
    if (unread.find("not found") != std::string::npos || unread.find("No such file") != std::string::npos)
        return Listed::Missing;
    if (unread.empty()) return Listed::Read;
    error = unread;
    return Listed::Failed;
}

bool SftpDestination::makeRoot(std::string& error)
{
    Listing root;
    const Listed found = list("", root, error);
    if (found != Listed::Missing) return found == Listed::Read;
    const std::string path = remotePath("");
    std::vector<std::string> lines;
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::optional<std::string> quoted = sftpArgument(path.substr(0, slash));
        if (quoted) lines.push_back("-mkdir " + *quoted);  // one that is there already is fine
        if (slash == std::string::npos) break;
    }
    std::vector<std::string> output;
    if (!run(lines, output, error)) return false;
    if (list("", root, error) == Listed::Read) return true;
    error = "cannot make the folder " + path + " on " + address_.host +
            (output.empty() ? std::string() : ": " + output.back());
    return false;
}

bool SftpDestination::survey(bool tidy, std::string& error)
{
    if (surveyed_) return true;
    listings_.clear();
    Listing& root = listings_[""];
    const Listed found = list("", root, error);
    if (found == Listed::Failed) return false;
    if (found == Listed::Missing) {
        surveyed_ = true;  // nothing published there yet
        return true;
    }
    if (!root.contains(".")) {
        error = remotePath("") + " on " + address_.host + " is not a folder";
        return false;
    }
    std::vector<std::string> leftovers;
    for (const auto& [name, entry] : root)
        if (isLeftoverPart(name, entry.kind)) leftovers.push_back(remotePath(name));
    for (const char* folder : kOurFolders) {
        const auto entry = root.find(folder);
        if (entry == root.end()) continue;
        if (entry->second.kind == 'l') {
            error = "'" + std::string(folder) + "' in " + shown_ +
                    " is a link; Fotoloom writes only into folders of its own there, never through a link, so "
                    "nothing was published (remove the link, or publish elsewhere)";
            return false;
        }
        if (entry->second.kind != 'd') {
            unusableFolders_[folder] =
                "cannot write into '" + remotePath(folder) + "' on " + address_.host + ": it is not a folder";
            continue;
        }
        Listing& inside = listings_[folder];
        if (list(folder, inside, error) == Listed::Failed) return false;
        for (const auto& [name, file] : inside)
            if (isLeftoverPart(name, file.kind)) leftovers.push_back(remotePath(std::string(folder) + '/' + name));
    }
    if (tidy && !leftovers.empty()) {
        // What interrupted uploads left: ours by name. A link of such a name goes as the link itself.
        std::vector<std::string> lines, output;
        for (const std::string& path : leftovers)
            if (const std::optional<std::string> quoted = sftpArgument(path)) lines.push_back("-rm " + *quoted);
        if (!run(lines, output, error)) return false;
    }
    surveyed_ = true;
    return true;
}

SftpDestination::Take SftpDestination::tryTakeLock(std::string& heldBy, std::string& error)
{
    if (!makeTemporaryFolder(error)) return Take::Failed;
    const std::string empty = joinPath(temporaryFolder_, "holder");
    if (std::FILE* file = openFile(empty, "wb")) {
        std::fclose(file);
    } else {
        error = "cannot write into " + temporaryFolder_;
        return Take::Failed;
    }
    // Made under a name of its own with the holder inside, then renamed into place in one step: a
    // lock is never there without its holder, and of two publishes only one rename succeeds.
    const LockHolder self = newLockHolder(secondsNow());
    const std::string holder = lockHolderText(self);
    const std::string candidate = remotePath(std::string(kLockFolderName) + "-" + randomHex());
    const std::string lockPath = remotePath(kLockFolderName);
    const std::string c = *sftpArgument(candidate), l = *sftpArgument(lockPath);
    const std::string h = *sftpArgument(candidate + "/" + holder);
    std::vector<std::string> output;
    if (!run({"mkdir " + c, "put " + *sftpArgument(empty) + " " + h}, output, error)) return Take::Failed;
    if (!run({"-rename " + c + " " + l}, output, error)) return Take::Failed;
    if (output.empty()) {
        lockHolder_ = holder;
        lockRun_ = self;
        return Take::Taken;
    }
    forgetLockHolder(self);
    std::vector<std::string> ignored;
    if (!run({"-rm " + h, "-rmdir " + c}, ignored, error)) return Take::Failed;
    Listing held;
    if (list(kLockFolderName, held, error) == Listed::Failed) return Take::Failed;
    for (const auto& [name, entry] : held)
        if (entry.kind == '-' && parseLockHolder(name)) {
            heldBy = name;
            return Take::Held;
        }
    error = lockPath + " on " + address_.host +
            " is not a lock Fotoloom made, so nothing was published: remove it if no publish is under way";
    return Take::Failed;
}

bool SftpDestination::breakStaleLock(const std::string& holderName)
{
    // Moved aside first: of two publishes breaking it, only one moves it, and the one that moved a
    // lock somebody took meanwhile puts it back.
    const std::string aside = remotePath(std::string(kLockFolderName) + "-stale-" + randomHex());
    const std::string a = *sftpArgument(aside), l = *sftpArgument(remotePath(kLockFolderName));
    std::vector<std::string> output;
    std::string error;
    if (!run({"-rename " + l + " " + a}, output, error) || !output.empty()) return false;
    Listing moved;
    const std::string asideName = aside.substr(aside.rfind('/') + 1);
    if (list(asideName, moved, error) != Listed::Read || !moved.contains(holderName)) {
        run({"-rename " + a + " " + l}, output, error);
        return false;
    }
    return run({"-rm " + *sftpArgument(aside + "/" + holderName), "-rmdir " + a}, output, error);
}

bool SftpDestination::lock(std::string& error)
{
    if (!session(error) || !makeRoot(error)) {
        if (connectError_.empty()) fatalError_ = error;
        return false;
    }
    for (int attempt = 0;; ++attempt) {
        std::string heldBy;
        const Take taken = tryTakeLock(heldBy, error);
        if (taken == Take::Failed) return false;
        if (taken == Take::Taken) break;
        const std::optional<LockHolder> holder = parseLockHolder(heldBy);
        if (attempt < 2 && lockIsStale(*holder, secondsNow())) {
            breakStaleLock(heldBy);
            continue;
        }
        error = lockHeldMessage(shown_, *holder, remotePath(kLockFolderName) + " on " + address_.host);
        return false;
    }
    if (survey(true, error)) return true;
    unlock();
    return false;
}

void SftpDestination::renewLock()
{
    const int64_t now = secondsNow();
    if (lockHolder_.empty() || now - lockRun_.renewed < kLockRenewSeconds) return;
    LockHolder next = lockRun_;
    next.renewed = now;
    const std::string renewed = lockHolderText(next);
    const std::string folder = remotePath(kLockFolderName) + "/";
    std::vector<std::string> output;
    std::string error;
    if (run({"-rename " + *sftpArgument(folder + lockHolder_) + " " + *sftpArgument(folder + renewed)}, output,
            error) &&
        output.empty()) {
        lockHolder_ = renewed;
        lockRun_ = next;
    }
}

void SftpDestination::unlock()
{
    if (lockHolder_.empty()) return;
    const std::string folder = remotePath(kLockFolderName);
    std::vector<std::string> output;
    std::string error;
    run({"-rm " + *sftpArgument(folder + "/" + lockHolder_), "-rmdir " + *sftpArgument(folder)}, output, error);
    // Left in place when the server is gone: the next publish of this program takes it over.
    forgetLockHolder(lockRun_);
    lockHolder_.clear();
}

bool SftpDestination::confirmListed(RemoteManifest& listed, bool, std::string& error)
{
    if (!survey(false, error)) return false;
    for (auto file = listed.files.begin(); file != listed.files.end();) {
        const size_t slash = file->first.find('/');
        const std::string folder = slash == std::string::npos ? "" : file->first.substr(0, slash);
        const auto listing = listings_.find(folder);
        const SftpListingEntry* there = nullptr;
        if (listing != listings_.end())
            if (const auto entry = listing->second.find(file->first.substr(slash + 1)); entry != listing->second.end())
                there = &entry->second;
        if (!there || there->kind != '-' || there->size != file->second.size) {
            file = listed.files.erase(file);  // gone, or not as we left it: sent again if still ours
            continue;
        }
        // Known by its size alone until now (a record of an earlier version): from here on by its time too.
        if (file->second.stamp.empty()) file->second.stamp = sftpStamp(*there, yearOfRecent(*there));
        ++file;
    }
    return true;
}

void SftpDestination::stampUploads(RemoteManifest& files, const std::vector<std::string>& uploaded)
{
    std::set<std::string> folders;
    for (const std::string& name : uploaded) {
        const size_t slash = name.find('/');
        folders.insert(slash == std::string::npos ? "" : name.substr(0, slash));
    }
    for (const std::string& folder : folders) {
        std::string error;
        Listing& listing = listings_[folder];
        if (list(folder, listing, error) != Listed::Read) continue;
        for (const std::string& name : uploaded) {
            const size_t slash = name.find('/');
            if ((slash == std::string::npos ? "" : name.substr(0, slash)) != folder) continue;
            const auto entry = listing.find(name.substr(slash + 1));
            const auto file = files.files.find(name);
            if (entry != listing.end() && file != files.files.end() && entry->second.kind == '-' &&
                entry->second.size == file->second.size)
                file->second.stamp = sftpStamp(entry->second, yearOfRecent(entry->second));
        }
    }
}

bool SftpDestination::check(std::string& error)
{
    Listing root;
    return list("", root, error) != Listed::Failed;
}
