#pragma once

#include <QImage>
#include <QPixmap>

#include "image/JpegDecoder.h"

namespace carecfg {

// The picture of the unit's four speed-dial keys, numbered 1 to 4, as the window shows it in
// Image1 beside the speed-dial numbers. The JPEG is built into the program and decoded with the
// program's own JPEG decoder (no image plug-in is involved).
class KeysPicture {
public:
    // The decoded picture; a null image if the built-in bytes cannot be decoded.
    static QImage Image();
    // The same as a pixmap for a QLabel; a null pixmap on failure.
    static QPixmap Pixmap();
    // A decoded RGB picture as a QImage (a deep copy); a null image for an empty picture.
    static QImage ToImage(const RgbPicture& picture);
};

}  // namespace carecfg
