#pragma once

#include <string>
#include <string_view>

#include "image/DeviceImage.h"
#include "settings/SettingsControls.h"
#include "settings/SettingsMap.h"

namespace carecfg {

class TextCatalog;

// The catalogue texts the binding needs: the day lists "M32"/"M33" and the threshold list keys.
class SettingsTexts {
public:
    virtual ~SettingsTexts() = default;
    virtual std::string MessageText(std::string_view key) const = 0;
    virtual int MessageInteger(std::string_view key) const = 0;    // missing key: 0
    virtual double MessageNumber(std::string_view key) const = 0;  // missing key: 0
};

// SettingsTexts answered by a text catalogue; reals are read with the given decimal separator.
class CatalogSettingsTexts : public SettingsTexts {
public:
    CatalogSettingsTexts(const TextCatalog& catalog, char decimalSeparator);
    std::string MessageText(std::string_view key) const override;
    int MessageInteger(std::string_view key) const override;
    double MessageNumber(std::string_view key) const override;

private:
    const TextCatalog& m_catalog;
    char m_decimalSeparator;
};

// The three health quantities whose thresholds follow a unit flag.
enum class HealthQuantity { Pressure, Glucose, Weight };

// Which box of a high/low threshold pair the user changed.
enum class ThresholdSide { High, Low };

// Moves the settings between the controls of the settings pages and the one SettingsRecord, and
// keeps dependent controls consistent. Every behaviour of a control is decided here, so any
// implementation of SettingsControls (widgets or memory) behaves the same:
// - code-driven setters: a drop-down's text or item set by code runs no behaviour; a check box
//   set to a new state runs its click behaviour; an edit's text set by code runs its change
//   behaviour;
// - user entry points: the window forwards only user-made changes to them.
class SettingsBinding {
public:
    // `decimalSeparator` is the one the user writes reals with ('.' on the command line).
    SettingsBinding(SettingsControls& controls, DeviceImage& image, const SettingsTexts& texts,
                    char decimalSeparator);

    SettingsRecord& Record() { return m_record; }
    const SettingsRecord& Record() const { return m_record; }
    SettingsControls& Controls() { return m_controls; }
    char DecimalSeparator() const { return m_decimalSeparator; }

    // ---- whole-record operations ----

    // Writes the blank values into the record (kept bytes and every zone's +89 stay).
    void ResetSettingsRecord();
    // Controls -> record -> the image's settings region (the record, then 0xFF up to 0xFFF).
    // False on an internal failure (a missing control); record and image are then unchanged.
    bool EncodeSettings();
    // Record -> controls, in decode order. False when a control is missing (nothing is set then).
    bool DecodeSettings();
    // Copies image bytes 0x000..0xE34 into the record and decodes them.
    void TakeSettingsFromImage();

    // ---- behaviours ----

    // Resets zone z's dependent controls and shows those its type (ComboBox(6+z)) uses; z 1..32.
    void UpdateZoneControls(int zone);
    // Mode m of email row r (1 or 2): day list from "M32" (m 0) or "M33" (m 1), else hidden.
    void UpdateEmailDayList(int mode, int row);
    // Keeps the high box above the low one by moving the box that did not change.
    void KeepThresholdOrder(std::string_view highBox, std::string_view lowBox, bool decimal,
                            ThresholdSide changed);
    // Whether the typed character may go into the port edit; may reset the edit's text.
    bool PortKeyFilter(std::string_view edit, char c);
    // Caps the port edit's value at 65535.
    void PortValueClamp(std::string_view edit);
    // Rebuilds the list of a threshold box from list keys n (1..6); the box's text stays.
    void FillThresholdList(std::string_view box, int n, bool alternative);
    // The unit conversion behind the unit flag boxes' clicks (CheckBox81/82/83).
    void ConvertThresholdUnits(HealthQuantity quantity, bool alternative);
    // The start-up fill of the six threshold lists, in list order, in the unit each flag shows.
    void FillThresholdListsAtStart();

    // ---- code-driven setters ----

    void SetTextByCode(std::string_view name, std::string_view text);
    void SetItemIndexByCode(std::string_view name, int index);
    void SetCheckedByCode(std::string_view name, bool checked);

    // ---- user actions (forwarded by the window from user-only signals) ----

    // The user chose item `index` of a drop-down box.
    void UserChoseItem(std::string_view name, int index);
    // The user typed or pasted into an edit or a drop-down's text; `text` is the new text.
    void UserEditedText(std::string_view name, std::string_view text);
    // Whether a typed character is accepted by the control.
    bool UserKeyPress(std::string_view name, char c);
    // The user clicked a check box; its new state is already in the controls.
    void UserClickedCheck(std::string_view name);

private:
    bool HasAllControls() const;
    void EncodeField(const SettingsField& field, SettingsRecord& record) const;
    void DecodeField(const SettingsField& field);
    void RunEditChange(std::string_view name);
    void RunCheckClick(std::string_view name);
    void RunThresholdChange(std::string_view name, ThresholdSide side);

    SettingsControls& m_controls;
    DeviceImage& m_image;
    const SettingsTexts& m_texts;
    char m_decimalSeparator;
    SettingsRecord m_record{};
};

}  // namespace carecfg
