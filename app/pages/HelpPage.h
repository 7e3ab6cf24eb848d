#pragma once

#include <string_view>

#include "app/help/HelpDocuments.h"
#include "app/pages/WindowPage.h"

namespace carecfg {

// What a help page shows: its rich-text box and the text it holds until a document replaces it.
struct HelpPageContent {
    const char* component;
    bool editable;
    bool scrollBars;
    std::string_view builtIn;
};

inline constexpr HelpPageContent kGuideHelpPage{"ReadMeRTE", false, true, kReadMeRTEBuiltInText};
inline constexpr HelpPageContent kGprsLogHelpPage{"GPRSLogRTE", true, false,
                                                  kGPRSLogRTEBuiltInText};
inline constexpr HelpPageContent kContactHelpPage{"ContactRTE", false, true,
                                                  kContactRTEBuiltInText};

// Pages 13 to 15: one rich-text box filling the page (the quick guide, the GPRS test log, the
// contact information). The window loads the documents into them once they exist.
class HelpPage : public WindowPage {
public:
    HelpPage(PageContext& context, QWidget& sheet, const HelpPageContent& content)
        : WindowPage(context, sheet), m_content(content) {}
    void Build() override;

private:
    const HelpPageContent& m_content;
};

}  // namespace carecfg
