#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace carecfg {

// The system calls behind the text catalogue: looking at and reading its file, change notices
// of its folder and the user's decimal separator. One POSIX and one Windows side.

// What tells two versions of the catalogue file apart without reading them: a change in any
// field means the content may have changed. `device`/`node` name the file (device and inode on
// POSIX; on Windows `node` is the creation time, which a file put in place by rename brings).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeSec = 0;  // last modification, since 1970-01-01 UTC
    long mtimeNsec = 0;

    bool operator==(const FileIdentity&) const = default;
};

// True when the file was modified less than `slackNs` ago (or its timestamp lies ahead): a
// further edit could still carry the same timestamp.
bool RecentlyModified(const FileIdentity& identity, long long slackNs);

enum class PathKind {
    Regular,  // a regular file; its identity is filled in
    Other,    // something else that exists (a directory, a FIFO, a device)
    Missing,  // nothing by that name (nor a folder on the way)
    Failed    // the system could not tell; the error text says why
};
// What is at `path`, following symbolic links.
PathKind InspectPath(const std::filesystem::path& path, FileIdentity* identity, std::string* error);

// The whole content of a regular file of at most `maxSize` bytes, with the identity of the very
// file that was read. The open never waits: a FIFO in the file's place (or one swapped in after
// a check) would block it for good. nullopt with the system's error text when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxSize,
                                         FileIdentity* identity, std::string* error);

// Change notices for the folder of one file: while the watch holds, a lookup with no notice
// pending may answer without asking the file system. Without a watch (it could not be set up,
// it broke, or the system has none) every lookup checks the file.
class FolderWatch {
public:
    FolderWatch() = default;
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;
    ~FolderWatch() { Close(); }

    // Watches the folder of `file` rather than the file, so that a file replaced by rename,
    // created or deleted is noticed as well as one written in place.
    void Start(const std::filesystem::path& file);
    bool Active() const { return m_fd >= 0; }
    // True when anything happened in the folder since the last call, or when the watch broke
    // (it is then closed).
    bool TakeNotices();
    void Close();

private:
    int m_fd = -1;
};

// The user's decimal separator (LC_NUMERIC of the environment on POSIX, the user's regional
// settings on Windows), '.' when it is not a single character.
char SystemDecimalSeparator();

}  // namespace carecfg
