#include "serial/PortNames.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <system_error>

namespace carecfg {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// n of "COMn" with n >= 1 (digits only), 0 otherwise.
unsigned ComNumber(std::string_view name) {
    if (name.size() < 4 || !EqualsNoCase(name.substr(0, 3), "COM"))
        return 0;
    std::string_view digits = name.substr(3);
    unsigned n = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return 0;
    return n;
}

}  // namespace

std::string ResolvePortName(std::string_view name,
                            const std::function<bool(const std::string& path)>& exists) {
    name = Trim(name);
#ifdef _WIN32
    // Windows names its ports itself: "COM1" is opened as "\\.\COM1" (the only form that
    // reaches COM10 and up); a name that is already a path is used as it is.
    (void)exists;
    if (name.find_first_of("\\/:") != std::string_view::npos)
        return std::string(name);
    return "\\\\.\\" + std::string(name);
#endif
    if (name.substr(0, 4) == "\\\\.\\")
        name.remove_prefix(4);
    if (name.find('/') != std::string_view::npos)
        return std::string(name);
    if (unsigned n = ComNumber(name); n > 0) {
        const std::string index = std::to_string(n - 1);
        for (const char* stem : {"/dev/ttyUSB", "/dev/ttyACM"}) {
            std::string path = stem + index;
            if (exists(path))
                return path;
        }
        return "/dev/ttyS" + index;
    }
    return "/dev/" + std::string(name);
}

std::string ResolvePortName(std::string_view name) {
    return ResolvePortName(name, [](const std::string& path) {
        std::error_code ec;
        return std::filesystem::exists(path, ec);
    });
}

bool IsDemoPortName(std::string_view name) {
    return EqualsNoCase(Trim(name), "DEMO");
}

}  // namespace carecfg
