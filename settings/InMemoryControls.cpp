#include "settings/InMemoryControls.h"

#include <algorithm>

#include "base/AsciiCase.h"
#include "settings/SettingsMap.h"

namespace carecfg {
namespace {

std::string Lower(std::string_view text) {
    return AsciiLowered(text);
}

}  // namespace

InMemoryControls::InMemoryControls(ItemIndexRule rule) : m_rule(rule) {
    for (const SettingsControlInfo& info : SettingsControlTable()) {
        State state;
        state.visible = !info.initiallyHidden;
        state.enabled = !info.initiallyDisabled;
        m_controls.emplace(Lower(info.name), std::move(state));
    }
}

InMemoryControls::State* InMemoryControls::Find(std::string_view name) {
    const auto it = m_controls.find(Lower(name));
    return it == m_controls.end() ? nullptr : &it->second;
}

const InMemoryControls::State* InMemoryControls::Find(std::string_view name) const {
    const auto it = m_controls.find(Lower(name));
    return it == m_controls.end() ? nullptr : &it->second;
}

bool InMemoryControls::Has(std::string_view name) const {
    return Find(name) != nullptr;
}

std::string InMemoryControls::Text(std::string_view name) const {
    const State* state = Find(name);
    return state ? state->text : std::string();
}

void InMemoryControls::SetText(std::string_view name, std::string_view text) {
    if (State* state = Find(name)) {
        state->text = std::string(text);
    }
}

int InMemoryControls::ItemIndex(std::string_view name) const {
    const State* state = Find(name);
    return state ? state->itemIndex : -1;
}

void InMemoryControls::SetItemIndex(std::string_view name, int index) {
    State* state = Find(name);
    if (!state) {
        return;
    }
    if (!state->items) {
        state->itemIndex = std::max(index, -1);
        return;
    }
    const auto& items = *state->items;
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
        state->itemIndex = m_rule == ItemIndexRule::AsStored ? std::max(index, -1) : -1;
        state->text.clear();
        return;
    }
    state->itemIndex = index;
    state->text = items[static_cast<std::size_t>(index)];
}

std::vector<std::string> InMemoryControls::Items(std::string_view name) const {
    const State* state = Find(name);
    return state && state->items ? *state->items : std::vector<std::string>();
}

void InMemoryControls::SetItems(std::string_view name, std::vector<std::string> items) {
    if (State* state = Find(name)) {
        state->items = std::move(items);
        state->itemIndex = -1;
    }
}

bool InMemoryControls::Checked(std::string_view name) const {
    const State* state = Find(name);
    return state && state->checked;
}

void InMemoryControls::SetChecked(std::string_view name, bool checked) {
    if (State* state = Find(name)) {
        state->checked = checked;
    }
}

bool InMemoryControls::Visible(std::string_view name) const {
    const State* state = Find(name);
    return state && state->visible;
}

void InMemoryControls::SetVisible(std::string_view name, bool visible) {
    if (State* state = Find(name)) {
        state->visible = visible;
    }
}

bool InMemoryControls::Enabled(std::string_view name) const {
    const State* state = Find(name);
    return state && state->enabled;
}

void InMemoryControls::SetEnabled(std::string_view name, bool enabled) {
    if (State* state = Find(name)) {
        state->enabled = enabled;
    }
}

void InMemoryControls::Remove(std::string_view name) {
    m_controls.erase(Lower(name));
}

}  // namespace carecfg
