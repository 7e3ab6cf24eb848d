#pragma once

#include <string_view>

namespace carecfg {

// What the user is told, named by catalogue message key; the texts are looked up when shown.
class UserNotices {
public:
    virtual ~UserNotices() = default;
    virtual void ShowMessage(std::string_view messageKey) = 0;  // modal box with the key's text
    virtual void ShowStatus(std::string_view messageKey) = 0;   // status bar panel 0 := key's text
};

}  // namespace carecfg
