#pragma once

namespace carecfg {

// Window bounds in pixels as stored in skin.ini under "Config".
struct WindowBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowBounds&) const = default;
};

// Bounds used when skin.ini holds none: a quarter of the screen in from the top left corner,
// half the screen wide and high.
WindowBounds DefaultWindowBounds(int screenWidth, int screenHeight);

// Keeps restored bounds on the screen: negative Left/Top become 0, and Width/Height shrink so
// that the window does not reach past the right or bottom edge.
WindowBounds LimitRestoredBounds(WindowBounds stored, int screenWidth, int screenHeight);

// Top left corner that centres a window of the given size on the screen, never above or left
// of the screen's origin.
struct WindowOrigin {
    int left = 0;
    int top = 0;
    bool operator==(const WindowOrigin&) const = default;
};
WindowOrigin CentredOrigin(int screenWidth, int screenHeight, int windowWidth, int windowHeight);

// The smallest client area the window allows.
inline constexpr int kMinimumWindowWidth = 200;
inline constexpr int kMinimumWindowHeight = 200;

}  // namespace carecfg
