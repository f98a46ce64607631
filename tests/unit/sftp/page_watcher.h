#pragma once
// A visitor in a process of its own that keeps reading a published site while a publish runs,
// and notes every page that links a picture, a thumbnail or a page the site does not hold.
// A page read just before the publish replaced it may link a file the publish has just
// removed; a missing file counts only when the page, read again, still links it.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace sftp_test {

// What the page's src="..." and href="..." name inside the site (no other site, no anchor).
inline std::set<std::string> linksOf(const std::string& page)
{
    std::set<std::string> links;
    for (const char* attribute : {"src=\"", "href=\""}) {
        for (size_t at = page.find(attribute); at != std::string::npos; at = page.find(attribute, at + 1)) {
            const size_t start = at + std::char_traits<char>::length(attribute);
            const size_t end = page.find('"', start);
            if (end == std::string::npos) break;
            const std::string link = page.substr(start, end - start);
            if (link.empty() || link.find("://") != std::string::npos || link[0] == '#' || link[0] == '/') continue;
            links.insert(link.substr(0, link.find_first_of("#?")));
        }
    }
    return links;
}

inline std::string pageText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One look at every page of the site: "page -> link" for each broken link.
inline std::vector<std::string> brokenLinks(const std::filesystem::path& site)
{
    std::vector<std::string> broken;
    std::error_code failure;
    for (const auto& entry : std::filesystem::directory_iterator(site, failure)) {
        if (entry.path().extension() != ".html") continue;
        const std::string page = pageText(entry.path());
        if (page.empty()) continue;  // renamed away between the listing and the reading
        for (const std::string& link : linksOf(page)) {
            if (std::filesystem::exists(site / link)) continue;
            if (pageText(entry.path()) == page) broken.push_back(entry.path().filename().string() + " -> " + link);
        }
    }
    return broken;
}

class PageWatcher {
public:
    // Starts watching `site` (fork before any thread of the test starts).
    explicit PageWatcher(const std::filesystem::path& site)
    {
        int stop[2], report[2];
        if (pipe(stop) != 0 || pipe(report) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(stop[1]);
            close(report[0]);
            size_t looks = 0;
            std::string found;
            for (;;) {
                pollfd wait{stop[0], POLLIN, 0};
                if (poll(&wait, 1, 0) > 0) break;
                for (const std::string& b : brokenLinks(site)) found += b + "\n";
                ++looks;
            }
            found += "looked " + std::to_string(looks) + "\n";
            [[maybe_unused]] const ssize_t n = write(report[1], found.data(), found.size());
            _exit(0);
        }
        close(stop[0]);
        close(report[1]);
        stop_ = stop[1];
        report_ = report[0];
    }

    // Stops the visitor: what it found broken, and how many times it looked at the whole site.
    std::vector<std::string> finish(size_t& looks)
    {
        close(stop_);
        std::string text;
        char buffer[4096];
        ssize_t n;
        while ((n = read(report_, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
        close(report_);
        waitpid(pid_, nullptr, 0);
        std::vector<std::string> broken;
        looks = 0;
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find('\n', at);
            const std::string line = text.substr(at, end - at);
            at = end == std::string::npos ? text.size() : end + 1;
            if (line.starts_with("looked "))
                looks = std::stoul(line.substr(7));
            else
                broken.push_back(line);
        }
        return broken;
    }

private:
    pid_t pid_ = -1;
    int stop_ = -1;
    int report_ = -1;
};

}  // namespace sftp_test
