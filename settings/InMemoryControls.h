#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/SettingsControls.h"

namespace carecfg {

// What a drop-down does with an item index beyond its list.
enum class ItemIndexRule {
    WithinList,  // no selection, as a real drop-down box (the window, tests of the window)
    AsStored,    // the index is kept as stored (the command line reports the unit's bytes)
};

// The settings pages held in memory (tests, command line): every control of the settings map in
// its initial state, with the rules of SettingsControls.
class InMemoryControls : public SettingsControls {
public:
    explicit InMemoryControls(ItemIndexRule rule = ItemIndexRule::WithinList);

    bool Has(std::string_view name) const override;
    std::string Text(std::string_view name) const override;
    void SetText(std::string_view name, std::string_view text) override;
    int ItemIndex(std::string_view name) const override;
    void SetItemIndex(std::string_view name, int index) override;
    std::vector<std::string> Items(std::string_view name) const override;
    void SetItems(std::string_view name, std::vector<std::string> items) override;
    bool Checked(std::string_view name) const override;
    void SetChecked(std::string_view name, bool checked) override;
    bool Visible(std::string_view name) const override;
    void SetVisible(std::string_view name, bool visible) override;
    bool Enabled(std::string_view name) const override;
    void SetEnabled(std::string_view name, bool enabled) override;

    // Takes a control away (tests of a page that lacks one).
    void Remove(std::string_view name);

private:
    struct State {
        std::string text;
        int itemIndex = -1;
        std::optional<std::vector<std::string>> items;  // nullopt: never set
        bool checked = false;
        bool visible = true;
        bool enabled = true;
    };
    State* Find(std::string_view name);
    const State* Find(std::string_view name) const;

    ItemIndexRule m_rule;
    std::unordered_map<std::string, State> m_controls;  // key: lower-case name
};

}  // namespace carecfg
