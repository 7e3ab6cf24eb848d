#include "app/help/HelpDocuments.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "app/help/RtfReader.h"

namespace carecfg {

namespace {

// Help documents are a few pages; anything larger is not one.
constexpr off_t kMaxDocumentSize = 16 * 1024 * 1024;

// Reads the whole file, or sets error to the errno of the failure.
std::optional<std::string> ReadDocument(const std::filesystem::path& file, int& error) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    struct stat st {};
    std::optional<std::string> content;
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (S_ISDIR(st.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
        error = EINVAL;  // a device or pipe could block or never end
    } else if (st.st_size > kMaxDocumentSize) {
        error = EFBIG;
    } else {
        std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
        std::size_t done = 0;
        bool ok = true;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = errno;
                ok = false;
                break;
            }
            if (n == 0)
                break;  // shrank while reading: take what is there
            done += static_cast<std::size_t>(n);
        }
        if (ok) {
            bytes.resize(done);
            content = std::move(bytes);
        }
    }
    ::close(fd);
    return content;
}

}  // namespace

HelpLoad LoadHelpDocument(const std::filesystem::path& file, const TextCodec& codec,
                          std::string_view builtInText) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(file, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return HelpLoad{PlainTextToHtml(builtInText, codec), false};
    }
    int error = 0;
    const std::optional<std::string> content = ReadDocument(file, error);
    if (!content) {
        // A dangling link is a missing document like any other.
        if (error == ENOENT)
            return HelpLoad{PlainTextToHtml(builtInText, codec), false};
        return HelpLoad{PlainTextToHtml(builtInText, codec), true, std::strerror(error)};
    }
    if (auto html = RtfToHtml(*content, codec))
        return HelpLoad{std::move(*html), false};
    return HelpLoad{PlainTextToHtml(*content, codec), false};
}

}  // namespace carecfg
