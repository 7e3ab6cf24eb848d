#pragma once

#include <memory>
#include <vector>

class QWidget;

namespace carecfg {

class WindowPage;
struct PageContext;

// Makes the page (or tab) object that fills the given sheet; it is built by the caller.
using PageFactory = std::unique_ptr<WindowPage> (*)(PageContext& context, QWidget& sheet);

// One page of the notebook: the component name of its sheet and what fills it.
struct PageRow {
    const char* name;
    PageFactory make;
};

// The notebook's sixteen pages in page order (page n is shown by the button tagged n + 1).
const std::vector<PageRow>& NotebookPages();

// One tab of the basic settings tab control PageControl4.
struct TabRow {
    const char* name;
    const char* caption;
    PageFactory make;
};

// The tabs of PageControl4 in tab order.
const std::vector<TabRow>& BasicSettingsTabs();

}  // namespace carecfg
