#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "image/DeviceImage.h"
#include "settings/InMemoryControls.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsMap.h"
#include "text/TextCatalog.h"
#include "text/TextCodec.h"

namespace carecfg {

// The settings of one profile as the values of the controls the decoder sets, in map order:
// decoded from a record, printed as lines or JSON, changed from JSON and encoded back. Texts are
// UTF-8 outside and code-page bytes inside; reals use '.'.
class SettingsDocument {
public:
    explicit SettingsDocument(const TextCatalog& catalog);
    SettingsDocument(const SettingsDocument&) = delete;
    SettingsDocument& operator=(const SettingsDocument&) = delete;

    // Decodes the first 3637 bytes (fewer: false, nothing changes) into the controls.
    bool Decode(std::span<const std::uint8_t> bytes);

    // One "Name = value" line per control.
    std::string ToText() const;
    nlohmann::ordered_json ToJson() const;

    // Sets every control named in the object to its value, as given (no change behaviour runs).
    // An unknown name, a control the decoder does not set, or a value of the wrong shape is an
    // error naming it: false, `error` set, and no control is changed.
    bool Apply(const nlohmann::json& values, std::string& error);

    // Encodes the controls; nullopt when the encoder failed.
    std::optional<SettingsRecord> Encode();

private:
    const DecodedControl* FindDecoded(const std::string& name) const;

    TextCodec m_codec;
    CatalogSettingsTexts m_texts;
    // Item indexes as stored, whatever lists the catalogue holds.
    InMemoryControls m_controls{ItemIndexRule::AsStored};
    DeviceImage m_image;
    SettingsBinding m_binding;
};

}  // namespace carecfg
