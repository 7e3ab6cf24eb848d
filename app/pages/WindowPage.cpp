#include "app/pages/WindowPage.h"

#include "text/TextCatalog.h"
#include "text/TextCodec.h"

namespace carecfg {

QString PageContext::MessageString(std::string_view key) const {
    return QString::fromStdString(codec.ToUtf8(catalog.MessageText(key)));
}

QString PageContext::FormString(std::string_view key, const QString& fallback) const {
    const auto value = catalog.Lookup("FORM", key);
    if (!value) {
        return fallback;
    }
    return QString::fromStdString(codec.ToUtf8(*value));
}

std::string PageContext::ToCodePage(const QString& text) const {
    return codec.FromUtf8(text.toStdString());
}

}  // namespace carecfg
