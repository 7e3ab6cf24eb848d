// The part of the text codec that is the same on every system; the conversions themselves are in
// TextCodecPosix.cpp (iconv) and TextCodecWindows.cpp (the Windows code-page calls).
#include "text/TextCodec.h"

#include <string>

#include "text/CodePageNames.h"
#include "text/TextCatalog.h"

namespace carecfg {

TextCodec TextCodec::FromCatalog(const TextCatalog& catalog) {
    const auto name = catalog.Lookup("CONFIG", "codepage");
    return TextCodec(name ? *name : std::string(kDefaultCodePage));
}

}  // namespace carecfg
