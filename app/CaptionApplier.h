#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace carecfg {

struct Component;
class ComponentRegistry;
class TextCatalog;
class TextCodec;

// The entries of section FORM as the caption applier reads them: the raw code-page bytes of a
// key's value, or nothing when the key is absent.
class FormEntries {
public:
    virtual ~FormEntries() = default;
    virtual std::optional<std::string> Find(std::string_view key) const = 0;
};

// Replaces the built-in texts of every component of the registry with those of section FORM of
// the catalogue (captions, hints, column headers, panel texts, item lists, chart titles), sets
// the window title from "frm_mainset.caption", and calls `done` once the last component has its
// texts. The components are handled one after another on the GUI thread with events processed
// between them, so the window stays usable while the texts arrive; `done` therefore runs after
// this function has returned.
void ApplyCatalogToForm(QWidget& window, const ComponentRegistry& registry,
                        const TextCatalog& catalog, const TextCodec& codec,
                        std::function<void()> done);

// The same over any source of FORM entries. The work belongs to `window`: when the window is
// destroyed first, it stops and `done` never runs. `entries` must outlive the work.
void ApplyFormEntries(QWidget& window, const ComponentRegistry& registry,
                      const FormEntries& entries, const TextCodec& codec,
                      std::function<void()> done);

// The positions visited for `count` components in creation order: 0 and count-1, then 1 and
// count-2, and so on up to index (count-1)/2 + 1 from both ends, so every component is visited
// at least once and those in the middle twice. No position lies outside the list.
std::vector<std::size_t> CaptionVisitOrder(std::size_t count);

// Gives one component its texts at once, by the rules of its kind; theme components, masked
// edits, rich text and other classes receive nothing. Returns false when the work ended early on
// a failure (texts applied until then stay). Applying twice gives the result of applying once.
bool ApplyFormEntriesToComponent(const Component& component, const FormEntries& entries,
                                 const TextCodec& codec);

}  // namespace carecfg
