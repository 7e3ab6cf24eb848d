#pragma once

#include "app/pages/WindowPage.h"

namespace carecfg {

// A page whose content is not built yet: its sheet stays empty.
class PlaceholderPage : public WindowPage {
public:
    using WindowPage::WindowPage;
};

}  // namespace carecfg
