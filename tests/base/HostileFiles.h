#pragma once

// Files that every load must refuse quickly, without hanging and without reading them whole: the
// one table of such cases the load tests of every folder share, and a guard that frees a test
// blocked on a FIFO so that a regression fails instead of hanging the suite.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace carecfg::testing {

inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}

// One hostile file: how to make it in place of `path` for a load that wants `size` bytes, and a
// part of the reason the load is expected to give.
struct HostileFile {
    std::string name;
    std::function<void(const std::filesystem::path& path, std::size_t size)> make;
    std::string reason;
    bool blocksRoot = true;  // false: root reads it all the same (permission bits), skipped then
};

inline void WriteFilled(const std::filesystem::path& path, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string bytes(size, '\x5A');
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The cases of a load that expects at least `size` bytes. A path that vanishes between the
// dialog and the read is "missing" here; the window's tests make it vanish inside the dialog.
inline std::vector<HostileFile> HostileFiles() {
    namespace fs = std::filesystem;
    return {
        {"empty", [](const fs::path& p, std::size_t) { WriteFilled(p, 0); }, "too short"},
        {"one byte short", [](const fs::path& p, std::size_t n) { WriteFilled(p, n - 1); },
         "too short"},
        {"1 GiB sparse",
         [](const fs::path& p, std::size_t) {
             WriteFilled(p, 0);
             fs::resize_file(p, std::uintmax_t{1} << 30);
         },
         std::strerror(EFBIG)},
        {"directory", [](const fs::path& p, std::size_t) { fs::create_directory(p); },
         std::strerror(EISDIR)},
        {"FIFO", [](const fs::path& p, std::size_t) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         "not a regular file"},
        {"unreadable",
         [](const fs::path& p, std::size_t n) {
             WriteFilled(p, n);
             fs::permissions(p, fs::perms::none);
         },
         std::strerror(EACCES), false},
        {"symbolic link loop", [](const fs::path& p, std::size_t) { fs::create_symlink(p, p); },
         std::strerror(ELOOP)},
        {"missing", [](const fs::path&, std::size_t) {}, std::strerror(ENOENT)},
    };
}

// Frees whatever is blocked on the FIFO at `path` (an open or a read on either side) if the
// test has not ended within a minute, and then says so: a load that blocks fails, it does not
// hang. The minute is only a guard; a passing test never waits for it.
class FifoGuard {
public:
    explicit FifoGuard(std::filesystem::path path) : m_path(std::move(path)) {
        m_thread = std::thread([this] {
            std::unique_lock lock(m_mutex);
            if (m_done.wait_for(lock, std::chrono::minutes(1), [this] { return m_finished; })) {
                return;
            }
            m_fired = true;
            lock.unlock();
            for (int i = 0; i < 100 && !Finished(); ++i) {
                for (const int flags : {O_WRONLY | O_NONBLOCK, O_RDONLY | O_NONBLOCK}) {
                    const int fd = ::open(m_path.c_str(), flags | O_CLOEXEC);
                    if (fd >= 0) {
                        ::close(fd);
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    }
    ~FifoGuard() {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

    // True when the guard had to free a blocked test.
    bool Fired() {
        std::lock_guard lock(m_mutex);
        return m_fired;
    }

private:
    bool Finished() {
        std::lock_guard lock(m_mutex);
        return m_finished;
    }

    std::filesystem::path m_path;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    bool m_fired = false;
    std::thread m_thread;
};

}  // namespace carecfg::testing
