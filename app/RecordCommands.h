#pragma once

namespace carecfg {

struct PageContext;

// The record commands of the navigation bar, over every record area at once: "Clear Record"
// (Button24), "Read Record" (Button23), "Export Record" (Button22, the whole image into a file)
// and "Load Record" (Button1, the whole image from a file, then every record view refilled).
// The settings pages are never refreshed from a loaded image.
class RecordCommands {
public:
    // Connects the four buttons of the registry; build the navigation bar first.
    explicit RecordCommands(PageContext& context);

    void ClearRecords();  // Button24
    void ReadRecords();   // Button23
    void ExportImage();   // Button22: "M35" when the file cannot be written
    void LoadImage();     // Button1: "M34" on a short or unreadable file, which changes nothing

private:
    PageContext& m_context;
};

}  // namespace carecfg
