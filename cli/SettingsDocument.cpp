#include "cli/SettingsDocument.h"

#include <algorithm>
#include <limits>
#include <sstream>
#include <variant>
#include <vector>

#include "base/AsciiCase.h"

namespace carecfg {

namespace {

std::string Lower(std::string_view text) {
    return AsciiLowered(text);
}

const char* ShapeName(ValueShape shape) {
    switch (shape) {
        case ValueShape::Text:
            return "a text";
        case ValueShape::ItemIndex:
            return "a whole number (item index, -1 for none)";
        case ValueShape::Checked:
            return "true or false";
    }
    return "";
}

}  // namespace

SettingsDocument::SettingsDocument(const TextCatalog& catalog)
    : m_codec(TextCodec::FromCatalog(catalog)),
      m_texts(catalog, '.'),
      m_binding(m_controls, m_image, m_texts, '.') {}

bool SettingsDocument::Decode(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kSettingsRecordSize) {
        return false;
    }
    SettingsRecord& record = m_binding.Record();
    std::copy_n(bytes.begin(), kSettingsRecordSize, record.begin());
    return m_binding.DecodeSettings();
}

const DecodedControl* SettingsDocument::FindDecoded(const std::string& name) const {
    const std::string wanted = Lower(name);
    for (const DecodedControl& control : DecodedControls()) {
        if (Lower(control.name) == wanted) {
            return &control;
        }
    }
    return nullptr;
}

std::string SettingsDocument::ToText() const {
    std::ostringstream out;
    for (const DecodedControl& control : DecodedControls()) {
        out << control.name << " = ";
        switch (control.shape) {
            case ValueShape::Text:
                out << m_codec.ToUtf8(m_controls.Text(control.name));
                break;
            case ValueShape::ItemIndex:
                out << m_controls.ItemIndex(control.name);
                break;
            case ValueShape::Checked:
                out << (m_controls.Checked(control.name) ? "true" : "false");
                break;
        }
        out << '\n';
    }
    return out.str();
}

nlohmann::ordered_json SettingsDocument::ToJson() const {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    for (const DecodedControl& control : DecodedControls()) {
        switch (control.shape) {
            case ValueShape::Text:
                json[control.name] = m_codec.ToUtf8(m_controls.Text(control.name));
                break;
            case ValueShape::ItemIndex:
                json[control.name] = m_controls.ItemIndex(control.name);
                break;
            case ValueShape::Checked:
                json[control.name] = m_controls.Checked(control.name);
                break;
        }
    }
    return json;
}

bool SettingsDocument::Apply(const nlohmann::json& values, std::string& error) {
    if (!values.is_object()) {
        error = "the settings must be one JSON object of control names and values";
        return false;
    }
    // Every value is checked before the first is set, so a bad one changes nothing.
    using Value = std::variant<std::string, int, bool>;
    std::vector<std::pair<const DecodedControl*, Value>> changes;
    for (const auto& [name, value] : values.items()) {
        const DecodedControl* control = FindDecoded(name);
        if (control == nullptr) {
            error = m_controls.Has(name) ? name + ": the settings do not store this control's value"
                                         : name + ": no such control";
            return false;
        }
        const std::string wrongShape = name + ": the value must be " + ShapeName(control->shape);
        switch (control->shape) {
            case ValueShape::Text: {
                if (!value.is_string()) {
                    error = wrongShape;
                    return false;
                }
                const std::string utf8 = value.get<std::string>();
                std::string bytes = m_codec.FromUtf8(utf8);
                if (m_codec.ToUtf8(bytes) != utf8) {
                    error = name + ": the text has characters that code page " +
                            m_codec.CodePage() + " cannot hold";
                    return false;
                }
                changes.emplace_back(control, std::move(bytes));
                break;
            }
            case ValueShape::ItemIndex: {
                if (!value.is_number_integer()) {
                    error = wrongShape;
                    return false;
                }
                const auto index = value.get<std::int64_t>();
                if (index < -1 || index > std::numeric_limits<int>::max()) {
                    error = name + ": an item index is -1 (none) or more";
                    return false;
                }
                changes.emplace_back(control, static_cast<int>(index));
                break;
            }
            case ValueShape::Checked:
                if (!value.is_boolean()) {
                    error = wrongShape;
                    return false;
                }
                changes.emplace_back(control, value.get<bool>());
                break;
        }
    }
    for (const auto& [control, value] : changes) {
        if (const auto* text = std::get_if<std::string>(&value)) {
            m_controls.SetText(control->name, *text);
        } else if (const auto* index = std::get_if<int>(&value)) {
            m_controls.SetItemIndex(control->name, *index);
        } else {
            m_controls.SetChecked(control->name, std::get<bool>(value));
        }
    }
    return true;
}

std::optional<SettingsRecord> SettingsDocument::Encode() {
    if (!m_binding.EncodeSettings()) {
        return std::nullopt;
    }
    return m_binding.Record();
}

}  // namespace carecfg
