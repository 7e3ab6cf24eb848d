#include "app/WindowGeometry.h"

#include <algorithm>

namespace carecfg {

WindowBounds DefaultWindowBounds(int screenWidth, int screenHeight) {
    return WindowBounds{screenWidth / 4, screenHeight / 4, 2 * screenWidth / 4,
                        2 * screenHeight / 4};
}

WindowBounds LimitRestoredBounds(WindowBounds stored, int screenWidth, int screenHeight) {
    WindowBounds b = stored;
    b.left = std::max(b.left, 0);
    b.top = std::max(b.top, 0);
    if (b.left + b.width > screenWidth) {
        b.width = screenWidth - b.left;
    }
    if (b.top + b.height > screenHeight) {
        b.height = screenHeight - b.top;
    }
    return b;
}

WindowOrigin CentredOrigin(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
    return WindowOrigin{std::max((screenWidth - windowWidth) / 2, 0),
                        std::max((screenHeight - windowHeight) / 2, 0)};
}

}  // namespace carecfg
