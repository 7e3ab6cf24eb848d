#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace carecfg {

// The settings pages as the binding sees them: pure control state, no behaviour.
//
// Controls are found by name without regard to letter case. Texts are 8-bit code-page bytes.
// Drop-down boxes are editable: they hold a text, an item list and an item index.
// - A box whose item list was never set accepts any index >= -1 and keeps its text; this is how
//   a box without a list (the command line has none) holds the index exactly as stored.
// - A box with a list turns an index outside it into -1 (no selection); selecting an item sets
//   the text to that item, selecting -1 empties the text.
// - Setting the text leaves the index alone; setting the list keeps the text and clears the
//   selection.
// Reading an unknown name gives an empty text, index -1, unchecked, hidden and disabled; setting
// an unknown name does nothing. Has() tells which names exist.
class SettingsControls {
public:
    virtual ~SettingsControls() = default;
    virtual bool Has(std::string_view name) const = 0;
    virtual std::string Text(std::string_view name) const = 0;
    virtual void SetText(std::string_view name, std::string_view text) = 0;
    virtual int ItemIndex(std::string_view name) const = 0;           // -1: none
    virtual void SetItemIndex(std::string_view name, int index) = 0;  // beyond a known list: -1
    virtual std::vector<std::string> Items(std::string_view name) const = 0;
    virtual void SetItems(std::string_view name, std::vector<std::string> items) = 0;
    virtual bool Checked(std::string_view name) const = 0;
    virtual void SetChecked(std::string_view name, bool checked) = 0;
    virtual bool Visible(std::string_view name) const = 0;
    virtual void SetVisible(std::string_view name, bool visible) = 0;
    virtual bool Enabled(std::string_view name) const = 0;
    virtual void SetEnabled(std::string_view name, bool enabled) = 0;
};

}  // namespace carecfg
