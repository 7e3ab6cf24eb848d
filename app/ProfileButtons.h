#pragma once

namespace carecfg {

struct PageContext;

// The profile buttons of the function bar: "Save Profile as" (SpeedButton20) writes the pages
// to a profile file chosen in SaveDialog1, "Load     Profile" (SpeedButton21) reads one chosen
// in OpenDialog1 into the pages. Cancelling a dialog changes nothing and shows nothing.
class ProfileButtons {
public:
    // Connects SpeedButton20 and SpeedButton21 of the registry; build the function bar first.
    explicit ProfileButtons(PageContext& context);

    void SaveProfileAs();  // SpeedButton20
    void LoadProfile();    // SpeedButton21

private:
    PageContext& m_context;
};

}  // namespace carecfg
