#include "text/TextCodec.h"

#include <iconv.h>
#include <algorithm>
#include <cerrno>
#include <mutex>

#include "text/CodePageNames.h"

namespace carecfg {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Length of the well-formed UTF-8 sequence at the start of text (a character the code page
// lacks), or 1 for a malformed one, so that no following character is swallowed.
std::size_t Utf8SequenceLength(const char* text, std::size_t left) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    }
    if (length > left)
        return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

}  // namespace

struct TextCodec::Converters {
    iconv_t toUtf8 = kNoConverter;
    iconv_t fromUtf8 = kNoConverter;
    std::mutex mutex;

    ~Converters() {
        if (toUtf8 != kNoConverter)
            iconv_close(toUtf8);
        if (fromUtf8 != kNoConverter)
            iconv_close(fromUtf8);
    }

    bool Open(const std::string& codePage) {
        toUtf8 = iconv_open("UTF-8", codePage.c_str());
        fromUtf8 = iconv_open(codePage.c_str(), "UTF-8");
        return toUtf8 != kNoConverter && fromUtf8 != kNoConverter;
    }

    // Runs cd over input; on a byte sequence it cannot convert it appends replacement and skips
    // skipLength(bytes) input bytes, so the conversion always reaches the end.
    template <typename SkipLength>
    static std::string Run(iconv_t cd, std::string_view input, std::string_view replacement,
                           SkipLength skipLength) {
        std::string out;
        out.reserve(input.size() * 2 + 16);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // initial shift state
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char buffer[1024];
        while (true) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = inLeft == 0 ? iconv(cd, nullptr, nullptr, &outPtr, &outLeft)
                                                   : iconv(cd, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (result != static_cast<std::size_t>(-1)) {
                if (inLeft == 0)
                    break;
                continue;
            }
            if (errno == E2BIG)
                continue;
            if (inLeft == 0)
                break;
            // EILSEQ or EINVAL (a sequence cut off at the end): replace and step over it.
            out.append(replacement);
            const std::size_t skip = std::min(inLeft, skipLength(in, inLeft));
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }
};

TextCodec::TextCodec(std::string codePage) : m_converters(std::make_shared<Converters>()) {
    codePage = ConverterCodePageName(std::move(codePage));
    if (codePage.empty() || codePage == "CP0" || !m_converters->Open(codePage)) {
        m_converters = std::make_shared<Converters>();
        codePage = kDefaultCodePage;
        m_converters->Open(codePage);
    }
    m_codePage = std::move(codePage);
}

std::string TextCodec::ToUtf8(std::string_view bytes) const {
    std::lock_guard lock(m_converters->mutex);
    if (m_converters->toUtf8 == kNoConverter)
        return std::string(bytes);
    return Converters::Run(m_converters->toUtf8, bytes, kReplacementUtf8,
                           [](const char*, std::size_t) { return std::size_t{1}; });
}

std::string TextCodec::FromUtf8(std::string_view utf8) const {
    std::lock_guard lock(m_converters->mutex);
    if (m_converters->fromUtf8 == kNoConverter)
        return std::string(utf8);
    return Converters::Run(m_converters->fromUtf8, utf8, "?", Utf8SequenceLength);
}

}  // namespace carecfg
