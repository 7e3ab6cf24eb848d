#include "text/ExecutableDir.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <string>
#endif

namespace carecfg {

namespace {

#ifdef _WIN32
// The executable's full name from GetModuleFileNameW; empty when it cannot be had. The buffer
// grows until the name fits (long paths exceed MAX_PATH).
std::filesystem::path ExecutablePath() {
    std::wstring name(MAX_PATH, L'\0');
    while (name.size() <= 32768) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name);
        }
        name.resize(name.size() * 2);
    }
    return {};
}
#else
// The target of /proc/self/exe; empty when the link cannot be read (a system without /proc).
std::filesystem::path ExecutablePath() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
}
#endif

}  // namespace

std::filesystem::path ExecutableDir() {
    std::error_code ec;
    const std::filesystem::path exe = ExecutablePath();
    if (exe.has_parent_path()) {
        return exe.parent_path();
    }
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : cwd;
}

}  // namespace carecfg
