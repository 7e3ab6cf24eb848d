#include "app/HomeLayout.h"

#include <algorithm>

namespace carecfg {

int TitleFontSize(int groupWidth, int titleCharacters, int currentSize) {
    if (titleCharacters <= 0) {
        return currentSize;
    }
    return std::clamp((groupWidth - 10) / titleCharacters, 1, 50);
}

int ClockFontSize(int titleFontSize) {
    return std::max(titleFontSize * 2 / 3, 1);
}

int RowStart(int width, int widthsSum, int slack) {
    return (width - widthsSum - slack) / 2;
}

int SettingsTabWidth(int groupWidth) {
    return (groupWidth - 40) / 5;
}

}  // namespace carecfg
