#pragma once

namespace carecfg {

// Font size in points of the home page title: the group box width less 10 shared among the
// title's characters, at most 50. An empty title keeps its current size; the size never drops
// below 1 point, so a very narrow window still gets a valid font.
int TitleFontSize(int groupWidth, int titleCharacters, int currentSize);

// The clock is two thirds the size of the title (at least 1 point).
int ClockFontSize(int titleFontSize);

// Left edge of a centred row of widgets: (width - sum of their widths - slack) div 2, where
// slack covers the gaps between them.
int RowStart(int width, int widthsSum, int slack);

// Width of each of the five tabs of the settings tab control inside a group box this wide.
int SettingsTabWidth(int groupWidth);

}  // namespace carecfg
