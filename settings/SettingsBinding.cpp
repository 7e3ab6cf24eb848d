#include "settings/SettingsBinding.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

#include "base/AsciiCase.h"
#include "base/WholeNumber.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

constexpr int kPortMaximum = 65535;
constexpr char kBackspace = 8;
// A threshold list longer than this comes from a broken key; the fill stops there.
constexpr long long kMaxThresholdItems = 10000;

bool SameName(std::string_view a, std::string_view b) {
    return EqualsIgnoringCase(a, b);
}

bool IsPortEdit(std::string_view name) {
    return SameName(name, "Edit16") || SameName(name, "Edit18");
}

bool IsUnitBox(std::string_view name) {
    return SameName(name, "ComboBox43") || SameName(name, "ComboBox44") ||
           SameName(name, "ComboBox45") || SameName(name, "ComboBox46");
}

// A real in the user's notation, without the rounding bias of TextToReal; nullopt when the
// trimmed text is empty or not a number.
std::optional<double> ParsePlainReal(std::string_view text, char separator) {
    std::string normal(TrimBlanksAndControls(text));
    if (normal.empty()) {
        return std::nullopt;
    }
    if (separator != '.') {
        if (normal.find('.') != std::string::npos) {
            return std::nullopt;
        }
        std::replace(normal.begin(), normal.end(), separator, '.');
    }
    const char* first = normal.data();
    if (*first == '+') {
        ++first;
    }
    double value = 0;
    const char* last = normal.data() + normal.size();
    const auto result = std::from_chars(first, last, value, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> ParseTrimmedWhole(std::string_view text) {
    const auto value = ParseWholeNumber(TrimBlanksAndControls(text));
    if (!value) {
        return std::nullopt;
    }
    return static_cast<long long>(*value);
}

// A value shown with one decimal, rounded to the nearest tenth.
std::string OneDecimal(double value, char separator) {
    if (!std::isfinite(value) || std::fabs(value) > 1e15) {
        return TenthsToText(0, separator);
    }
    return TenthsToText(std::llround(value * 10.0), separator);
}

// The whole part of a value (truncated toward zero) as decimal text.
std::string WholePart(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 1e15) {
        return "0";
    }
    return std::to_string(static_cast<long long>(std::trunc(value)));
}

// Whole tenths of a list key; a key such as 2.3 times 10 lies a hair below 23 in binary, so a
// tiny nudge keeps the intended tenth. nullopt for values no list can span.
std::optional<long long> KeyTenths(double key) {
    const double tenths = key * 10.0;
    if (!std::isfinite(tenths) || std::fabs(tenths) > 1e12) {
        return std::nullopt;
    }
    return static_cast<long long>(std::trunc(tenths + (tenths >= 0 ? 1e-6 : -1e-6)));
}

// Items of a message text: "|" and line breaks separate them; a final break adds no item.
std::vector<std::string> SplitItems(std::string_view text) {
    std::vector<std::string> items;
    std::string current;
    bool pending = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '|' || c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            items.push_back(std::move(current));
            current.clear();
            pending = false;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending) {
        items.push_back(std::move(current));
    }
    return items;
}

// A high/low pair of threshold boxes and how its texts compare.
struct ThresholdPair {
    const char* high;
    const char* low;
    enum { Integer, Decimal, DecimalWhileFlag } mode;
    const char* flag;
};
constexpr ThresholdPair kThresholdPairs[] = {
    {"ComboBox87", "ComboBox88", ThresholdPair::Integer, nullptr},
    {"ComboBox650", "ComboBox651", ThresholdPair::Integer, nullptr},
    {"ComboBox652", "ComboBox653", ThresholdPair::DecimalWhileFlag, "CheckBox81"},
    {"ComboBox654", "ComboBox655", ThresholdPair::Decimal, nullptr},
    {"ComboBox656", "ComboBox657", ThresholdPair::DecimalWhileFlag, "CheckBox83"},
};

// A quantity with a unit flag: its boxes and threshold list numbers.
struct UnitQuantity {
    HealthQuantity quantity;
    const char* flag;
    const char* selector;
    const char* high;
    const char* low;
    int highList;
    int lowList;
};
constexpr UnitQuantity kUnitQuantities[] = {
    {HealthQuantity::Pressure, "CheckBox81", "ComboBox43", "ComboBox652", "ComboBox653", 1, 2},
    {HealthQuantity::Glucose, "CheckBox82", "ComboBox45", "ComboBox654", "ComboBox655", 3, 4},
    {HealthQuantity::Weight, "CheckBox83", "ComboBox46", "ComboBox656", "ComboBox657", 5, 6},
};

const UnitQuantity& QuantityInfo(HealthQuantity quantity) {
    for (const UnitQuantity& info : kUnitQuantities) {
        if (info.quantity == quantity) {
            return info;
        }
    }
    return kUnitQuantities[0];
}

std::size_t FieldSize(const SettingsField& field) {
    switch (field.rule) {
        case FieldRule::UnitSelector:
            return 0;
        case FieldRule::ItemWord:
            return 2;
        default:
            return BindingSize(field.binding);
    }
}

constexpr Binding kNumberByte{BindingKind::NumberByte, 1, 0xFF, 0, 0};
constexpr Binding kOptionalNumberByte{BindingKind::OptionalNumberByte, 1, 0xFF, 0, 0};
constexpr Binding kTenthsByte{BindingKind::TenthsValue, 1, 0xFF, 0, 0};

void WriteBlanks(SettingsRecord& record) {
    for (const ByteRange& range : SettingsBlankRanges()) {
        std::fill_n(record.begin() + range.start, range.size, range.value);
    }
}

}  // namespace

// ---- texts ----

CatalogSettingsTexts::CatalogSettingsTexts(const TextCatalog& catalog, char decimalSeparator)
    : m_catalog(catalog), m_decimalSeparator(decimalSeparator) {}

std::string CatalogSettingsTexts::MessageText(std::string_view key) const {
    return m_catalog.MessageText(key);
}

int CatalogSettingsTexts::MessageInteger(std::string_view key) const {
    return m_catalog.MessageInteger(key);
}

double CatalogSettingsTexts::MessageNumber(std::string_view key) const {
    return m_catalog.MessageNumber(key, m_decimalSeparator);
}

// ---- binding ----

SettingsBinding::SettingsBinding(SettingsControls& controls, DeviceImage& image,
                                 const SettingsTexts& texts, char decimalSeparator)
    : m_controls(controls), m_image(image), m_texts(texts), m_decimalSeparator(decimalSeparator) {}

void SettingsBinding::ResetSettingsRecord() {
    WriteBlanks(m_record);
}

bool SettingsBinding::HasAllControls() const {
    for (const SettingsField& field : SettingsFields()) {
        if (!m_controls.Has(field.control) ||
            (!field.partner.empty() && !m_controls.Has(field.partner))) {
            return false;
        }
    }
    return true;
}

bool SettingsBinding::EncodeSettings() {
    if (!HasAllControls()) {
        return false;
    }
    // Encode into a copy so that a failure leaves the record as it was.
    SettingsRecord encoded = m_record;
    WriteBlanks(encoded);
    for (const SettingsField& field : SettingsFields()) {
        if (field.binding.kind == BindingKind::FlagBit && field.rule == FieldRule::Plain) {
            encoded[field.offset] = 0x00;  // shared flag bytes collect their bits from zero
        }
    }
    for (const SettingsField& field : SettingsFields()) {
        if (field.offset + FieldSize(field) > encoded.size()) {
            return false;
        }
        EncodeField(field, encoded);
    }
    m_record = encoded;
    EraseImageRange(m_image, 0, kSettingsRegionSize, kErased);
    return m_image.StoreBlock(0, m_record);
}

void SettingsBinding::EncodeField(const SettingsField& field, SettingsRecord& record) const {
    const std::span<std::uint8_t> bytes =
        std::span<std::uint8_t>(record).subspan(field.offset, FieldSize(field));
    const std::string& name = field.control;
    auto textValue = [&] { return ControlValue{m_controls.Text(name), -1, false}; };
    switch (field.rule) {
        case FieldRule::UnitSelector:
            return;
        case FieldRule::ErasedChoice:
            bytes[0] = kErased;
            return;
        case FieldRule::TimeOfDay:
            Encode(kOptionalNumberByte, bytes, textValue(), m_decimalSeparator);
            return;
        case FieldRule::StoredByte:
            Encode(kNumberByte, bytes, textValue(), m_decimalSeparator);
            return;
        case FieldRule::ItemWord: {
            const int index = m_controls.ItemIndex(name);
            WriteUIntLE(bytes, 2, index < 0 ? 0xFFFFu : static_cast<std::uint32_t>(index));
            return;
        }
        case FieldRule::Systolic:
            Encode(m_controls.Checked("CheckBox81") ? kTenthsByte : kNumberByte, bytes, textValue(),
                   m_decimalSeparator);
            return;
        case FieldRule::EmailDay: {
            const int mode = m_controls.ItemIndex(name);
            const int day = m_controls.ItemIndex(field.partner);
            if (mode == 0) {
                WriteByteValue(bytes[0], 0x80 + day);
            } else if (mode == 1) {
                WriteByteValue(bytes[0], day + 1);
            } else {
                bytes[0] = kErased;
            }
            return;
        }
        case FieldRule::Plain:
        case FieldRule::ZoneType:
        case FieldRule::DeviceIdentifier:
            break;
    }
    ControlValue value;
    switch (field.binding.kind) {
        case BindingKind::ChoiceByte:
            value.itemIndex = m_controls.ItemIndex(name);
            break;
        case BindingKind::FlagByte:
        case BindingKind::FlagBit:
            value.checked = m_controls.Checked(name);
            break;
        default:
            value.text = m_controls.Text(name);
            break;
    }
    Encode(field.binding, bytes, value, m_decimalSeparator);
}

bool SettingsBinding::DecodeSettings() {
    if (!HasAllControls()) {
        return false;
    }
    for (const SettingsField& field : SettingsFields()) {
        if (field.offset + FieldSize(field) > m_record.size()) {
            return false;
        }
        DecodeField(field);
    }
    return true;
}

void SettingsBinding::DecodeField(const SettingsField& field) {
    const std::span<const std::uint8_t> bytes =
        std::span<const std::uint8_t>(m_record).subspan(field.offset, FieldSize(field));
    const std::string& name = field.control;
    switch (field.rule) {
        case FieldRule::ErasedChoice:
            return;
        case FieldRule::UnitSelector:
            SetItemIndexByCode(name, m_controls.Checked(field.partner) ? 1 : 0);
            return;
        case FieldRule::TimeOfDay:
            SetTextByCode(name, Decode(kNumberByte, bytes).text);
            return;
        case FieldRule::StoredByte:
            SetTextByCode(name, std::to_string(bytes[0]));
            return;
        case FieldRule::ItemWord:
            SetItemIndexByCode(name, static_cast<int>(ReadUIntLE(bytes, 2)));
            return;
        case FieldRule::Systolic:
            SetTextByCode(name, Decode(m_controls.Checked("CheckBox81") ? kTenthsByte : kNumberByte,
                                       bytes, m_decimalSeparator)
                                    .text);
            return;
        case FieldRule::EmailDay: {
            const std::uint8_t code = bytes[0];
            if (code == kErased) {
                SetItemIndexByCode(name, 2);
                m_controls.SetText(field.partner, "");
                m_controls.SetVisible(field.partner, false);
            } else {
                const int mode = code >= 0x80 ? 0 : 1;
                SetItemIndexByCode(name, mode);
                UpdateEmailDayList(mode, field.index);
                m_controls.SetVisible(field.partner, true);
                SetItemIndexByCode(field.partner, code >= 0x80 ? code - 0x80 : code - 1);
            }
            return;
        }
        case FieldRule::DeviceIdentifier: {
            const std::string text = ReadTextField(bytes, field.binding.width);
            SetTextByCode(name, text);
            SetTextByCode(field.partner, text);
            return;
        }
        case FieldRule::ZoneType:
        case FieldRule::Plain:
            break;
    }
    const ControlValue value = Decode(field.binding, bytes, m_decimalSeparator);
    switch (field.binding.kind) {
        case BindingKind::ChoiceByte:
            SetItemIndexByCode(name, value.itemIndex);
            break;
        case BindingKind::FlagByte:
        case BindingKind::FlagBit:
            SetCheckedByCode(name, value.checked);
            break;
        default:
            SetTextByCode(name, value.text);
            break;
    }
    if (field.rule == FieldRule::ZoneType) {
        UpdateZoneControls(field.index);
    }
}

void SettingsBinding::TakeSettingsFromImage() {
    const auto bytes = m_image.Range(0, kSettingsRecordSize);
    if (bytes.size() != m_record.size()) {
        return;
    }
    std::copy(bytes.begin(), bytes.end(), m_record.begin());
    DecodeSettings();
}

// ---- behaviours ----

void SettingsBinding::UpdateZoneControls(int zone) {
    if (zone < 1 || zone > kZoneCount) {
        return;
    }
    auto showBlocks = [&](bool visible, const char* numberText) {
        for (int q = 0; q < 3; ++q) {
            for (int item = 0; item < 4; ++item) {
                const std::string box = ZoneBlockBox(zone, q, item);
                SetTextByCode(box, numberText);
                m_controls.SetVisible(box, visible);
            }
            const std::string choice = ZoneBlockBox(zone, q, 4);
            SetItemIndexByCode(choice, 0);
            m_controls.SetVisible(choice, visible);
            m_controls.SetVisible(ZoneBlockLabel(zone, q), visible);
        }
    };
    auto showAlertAndSiren = [&](bool visible) {
        for (const std::string& box : {ZoneAlertBox(zone), ZoneSirenBox(zone)}) {
            SetItemIndexByCode(box, 0);
            m_controls.SetVisible(box, visible);
        }
    };
    showBlocks(false, "");
    showAlertAndSiren(true);
    m_controls.SetVisible(ZoneNameEdit(zone), true);

    const int type = m_controls.ItemIndex(ZoneTypeBox(zone));
    if (type == 0) {
        showBlocks(true, "0");
    } else if (type == 6) {
        m_controls.SetVisible(ZoneNameEdit(zone), false);
        showAlertAndSiren(false);
    } else if (type >= 7) {
        showAlertAndSiren(false);
    }
}

void SettingsBinding::UpdateEmailDayList(int mode, int row) {
    const char* day = row == 1 ? "ComboBox61" : row == 2 ? "ComboBox62" : nullptr;
    if (!day) {
        return;
    }
    if (mode == 0 || mode == 1) {
        m_controls.SetVisible(day, true);
        m_controls.SetItems(day, SplitItems(m_texts.MessageText(mode == 0 ? "M32" : "M33")));
        SetItemIndexByCode(day, 0);
    } else {
        m_controls.SetVisible(day, false);
        m_controls.SetText(day, "");
    }
}

void SettingsBinding::KeepThresholdOrder(std::string_view highBox, std::string_view lowBox,
                                         bool decimal, ThresholdSide changed) {
    const std::string highText = m_controls.Text(highBox);
    const std::string lowText = m_controls.Text(lowBox);
    if (decimal) {
        const auto high = ParsePlainReal(highText, m_decimalSeparator);
        const auto low = ParsePlainReal(lowText, m_decimalSeparator);
        if (!high || !low || *high > *low) {
            return;
        }
        if (changed == ThresholdSide::High) {
            SetTextByCode(lowBox, OneDecimal(*high - 0.1, m_decimalSeparator));
        } else {
            SetTextByCode(highBox, OneDecimal(*low + 0.1, m_decimalSeparator));
        }
        return;
    }
    const auto high = ParseTrimmedWhole(highText);
    const auto low = ParseTrimmedWhole(lowText);
    if (!high || !low || *high > *low) {
        return;
    }
    if (changed == ThresholdSide::High) {
        SetTextByCode(lowBox, std::to_string(*high - 1));
    } else {
        SetTextByCode(highBox, std::to_string(*low + 1));
    }
}

bool SettingsBinding::PortKeyFilter(std::string_view edit, char c) {
    if (c == kBackspace) {
        return true;
    }
    const bool accepted = c >= '0' && c <= '9';
    // The text is kept: a view into the temporary the controls return would dangle.
    const std::string text = m_controls.Text(edit);
    const std::string_view trimmed = TrimBlanksAndControls(text);
    const auto value = trimmed.empty() ? std::optional<long long>(0) : ParseTrimmedWhole(trimmed);
    if (!value) {
        return accepted;  // not a number (only pasting makes one): nothing to compare
    }
    if (*value < 0) {
        SetTextByCode(edit, "0");
        return false;
    }
    if (*value >= kPortMaximum) {
        SetTextByCode(edit, std::to_string(kPortMaximum));
        return false;
    }
    return accepted;
}

void SettingsBinding::PortValueClamp(std::string_view edit) {
    const std::string text = m_controls.Text(edit);
    const std::string_view trimmed = TrimBlanksAndControls(text);
    if (trimmed.empty()) {
        return;
    }
    const auto value = ParseTrimmedWhole(trimmed);
    // A pasted run of digits too long for any number is over the maximum as well.
    const bool allDigits = std::all_of(trimmed.begin(), trimmed.end(),
                                       [](unsigned char c) { return std::isdigit(c) != 0; });
    if ((value && *value > kPortMaximum) || (!value && allDigits)) {
        m_controls.SetText(edit, std::to_string(kPortMaximum));
    }
}

void SettingsBinding::FillThresholdList(std::string_view box, int n, bool alternative) {
    if (n < 1 || n > 6) {
        return;
    }
    const std::string digit = std::to_string(n);
    std::vector<std::string> items;
    auto addRange = [&](std::optional<long long> lo, std::optional<long long> hi, bool tenths) {
        if (!lo || !hi) {
            return;
        }
        for (long long v = *lo;
             v <= *hi && static_cast<long long>(items.size()) < kMaxThresholdItems; ++v) {
            items.push_back(tenths ? TenthsToText(v, m_decimalSeparator) : std::to_string(v));
        }
    };
    if (alternative) {
        addRange(KeyTenths(m_texts.MessageNumber("MXD" + digit)),
                 KeyTenths(m_texts.MessageNumber("MYD" + digit)), true);
    } else if (n == 3 || n == 4) {
        addRange(KeyTenths(m_texts.MessageNumber("MX" + digit)),
                 KeyTenths(m_texts.MessageNumber("MY" + digit)), true);
    } else {
        addRange(m_texts.MessageInteger("MX" + digit), m_texts.MessageInteger("MY" + digit), false);
    }
    m_controls.SetItems(box, std::move(items));
}

void SettingsBinding::ConvertThresholdUnits(HealthQuantity quantity, bool alternative) {
    const UnitQuantity& info = QuantityInfo(quantity);
    const char sep = m_decimalSeparator;
    auto convert = [&](double v) {
        switch (quantity) {
            case HealthQuantity::Pressure:
                return alternative ? v / 7.5 : v * 7.5;
            case HealthQuantity::Glucose:
                return alternative ? v * 18.0 : v / 18.0;
            case HealthQuantity::Weight:
                return alternative ? v * 2.2 : v / 2.2;
        }
        return v;
    };
    // Tenths in every alternative unit and for glucose; whole numbers otherwise.
    const bool tenths = alternative || quantity == HealthQuantity::Glucose;
    auto format = [&](double v) { return tenths ? OneDecimal(v, sep) : WholePart(v); };

    const double high = convert(TextToReal(m_controls.Text(info.high), sep));
    const double low = convert(TextToReal(m_controls.Text(info.low), sep));
    FillThresholdList(info.high, info.highList, alternative);
    FillThresholdList(info.low, info.lowList, alternative);
    for (const auto& [box, value] : {std::pair{info.high, high}, std::pair{info.low, low}}) {
        SetTextByCode(box, format(value));
        // Cap at the top of the list. An empty list has no top and caps nothing.
        const std::vector<std::string> items = m_controls.Items(box);
        if (!items.empty()) {
            const double top = TextToReal(items.back(), sep);
            if (top < value) {
                SetTextByCode(box, format(top));
            }
        }
    }
}

void SettingsBinding::FillThresholdListsAtStart() {
    for (const UnitQuantity& info : kUnitQuantities) {
        const bool alternative = m_controls.Checked(info.flag);
        FillThresholdList(info.high, info.highList, alternative);
        FillThresholdList(info.low, info.lowList, alternative);
    }
}

// ---- code-driven setters ----

void SettingsBinding::SetTextByCode(std::string_view name, std::string_view text) {
    m_controls.SetText(name, text);
    RunEditChange(name);
}

void SettingsBinding::SetItemIndexByCode(std::string_view name, int index) {
    m_controls.SetItemIndex(name, index);
}

void SettingsBinding::SetCheckedByCode(std::string_view name, bool checked) {
    if (m_controls.Checked(name) == checked) {
        return;
    }
    m_controls.SetChecked(name, checked);
    RunCheckClick(name);
}

void SettingsBinding::RunEditChange(std::string_view name) {
    if (IsPortEdit(name)) {
        PortValueClamp(name);
    }
}

void SettingsBinding::RunCheckClick(std::string_view name) {
    for (const UnitQuantity& info : kUnitQuantities) {
        if (SameName(name, info.flag)) {
            ConvertThresholdUnits(info.quantity, m_controls.Checked(info.flag));
            return;
        }
    }
}

void SettingsBinding::RunThresholdChange(std::string_view name, ThresholdSide side) {
    for (const ThresholdPair& pair : kThresholdPairs) {
        const char* box = side == ThresholdSide::High ? pair.high : pair.low;
        if (!SameName(name, box)) {
            continue;
        }
        const bool decimal =
            pair.mode == ThresholdPair::Decimal ||
            (pair.mode == ThresholdPair::DecimalWhileFlag && m_controls.Checked(pair.flag));
        KeepThresholdOrder(pair.high, pair.low, decimal, side);
        return;
    }
}

// ---- user actions ----

void SettingsBinding::UserChoseItem(std::string_view name, int index) {
    if (m_controls.ItemIndex(name) != index) {
        m_controls.SetItemIndex(name, index);
    }
    if (const int zone = ZoneOfTypeBox(std::string(name)); zone != 0) {
        UpdateZoneControls(zone);
        return;
    }
    if (SameName(name, "ComboBox41") || SameName(name, "ComboBox42")) {
        UpdateEmailDayList(m_controls.ItemIndex(name), SameName(name, "ComboBox41") ? 1 : 2);
        return;
    }
    for (const UnitQuantity& info : kUnitQuantities) {
        if (SameName(name, info.selector)) {
            SetCheckedByCode(info.flag, m_controls.ItemIndex(name) != 0);
            return;
        }
    }
    RunThresholdChange(name, ThresholdSide::High);
    RunThresholdChange(name, ThresholdSide::Low);
}

void SettingsBinding::UserEditedText(std::string_view name, std::string_view text) {
    if (m_controls.Text(name) != text) {
        m_controls.SetText(name, text);
    }
    if (IsPortEdit(name)) {
        PortValueClamp(name);
        return;
    }
    RunThresholdChange(name, ThresholdSide::High);
    RunThresholdChange(name, ThresholdSide::Low);
}

bool SettingsBinding::UserKeyPress(std::string_view name, char c) {
    if (IsPortEdit(name)) {
        return PortKeyFilter(name, c);
    }
    return !IsUnitBox(name);
}

void SettingsBinding::UserClickedCheck(std::string_view name) {
    RunCheckClick(name);
}

}  // namespace carecfg
