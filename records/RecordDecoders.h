#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/DeviceImage.h"

namespace carecfg {

class TextCodec;

// One row of a history or message list, every text in UTF-8: the row number, the stamp text and
// the two columns the record kind gives (the fourth is empty for alarm records).
struct RecordRow {
    std::string number;
    std::string stamp;
    std::string third;
    std::string fourth;
};

// The rows a decode produced. On failure (`ok` false) the rows appended so far are kept,
// unsorted and unnumbered.
struct RecordDecode {
    std::vector<RecordRow> rows;
    bool ok = true;
};

// What the decoders need besides the image: the code page the unit's texts are written in and
// the names of the arming states (UTF-8), the items of the hidden list ComboBox39.
struct RecordTextSource {
    const TextCodec& codec;
    std::vector<std::string> armedStateNames;
};

// The six regions shown as lists of the record pages: alarm, armed, dial-out and incoming
// histories, inbox and outbox.
bool IsRecordListRegion(RegionId region);

// Decodes one of the six list regions of the image into its rows: occupied slots (byte 0 not
// 0xFF) in slot order, sorted by stamp text without regard to case, numbered from 1. Any other
// region gives an empty result that is not ok.
RecordDecode DecodeRecordRegion(const DeviceImage& image, RegionId region,
                                const RecordTextSource& texts);

// "20yy-mm-dd hh:mm:ss" of the first six bytes of a record, each number in decimal with at
// least two digits (0xFF gives 255). Fewer than six bytes give the empty text.
std::string RecordStampText(std::span<const std::uint8_t> stamp);

}  // namespace carecfg
