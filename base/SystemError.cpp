#include "base/SystemError.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstring>
#endif

namespace carecfg {

std::string TidySystemMessage(std::string_view message) {
    std::string text;
    text.reserve(message.size());
    bool pendingSpace = false;
    for (const char c : message) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            pendingSpace = !text.empty();
            continue;
        }
        if (pendingSpace) {
            text += ' ';
            pendingSpace = false;
        }
        text += c;
    }
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text;
}

#ifdef _WIN32

std::string SystemErrorText(unsigned long code) {
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer != nullptr) {
        text = TidySystemMessage(std::string_view(buffer, length));
    }
    if (buffer != nullptr) {
        ::LocalFree(buffer);
    }
    return text.empty() ? "system error " + std::to_string(code) : text;
}

#else

std::string SystemErrorText(unsigned long code) {
    return std::strerror(static_cast<int>(code));
}

#endif

}  // namespace carecfg
