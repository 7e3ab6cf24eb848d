#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <string_view>

#include "image/DeviceImage.h"

class QWidget;

namespace carecfg {

class BlockTransfer;
class ComponentRegistry;
class FileDialogs;
class LinkSession;
class LinkTimer;
class RecordViews;
class SettingsBinding;
class TextCatalog;
class TextCodec;
class UserNotices;

// Property of a widget built at the top of its parent: once the window is created it fills the
// parent instead.
inline constexpr const char* kFillParentProperty = "alignTop";

// The window's shared parts that every page and settings tab is built from. Everything lives as
// long as the window; a page registers each component it creates in `registry`.
struct PageContext {
    ComponentRegistry& registry;
    const TextCatalog& catalog;
    const TextCodec& codec;
    DeviceImage& image;
    LinkSession& session;
    LinkTimer& resendTimer;  // Timer1: stopped after commands that are never resent
    BlockTransfer& transfer;
    SettingsBinding& settings;
    UserNotices& notices;               // message boxes and status panel 0, by message key
    QWidget& window;                    // parent of dialogs
    std::filesystem::path documentDir;  // folder of default.bin, Help.rtf and Contact.rtf
    RecordViews& recordViews;           // every view filled from a record region
    FileDialogs& fileDialogs;           // the save and open dialogs every file command uses

    // The catalogue's MESSAGE text of the key, for display.
    QString MessageString(std::string_view key) const;
    // The catalogue's FORM text of the key, or `fallback` when there is none.
    QString FormString(std::string_view key, const QString& fallback) const;
    // Text typed by the user in the unit's code page, as the link sends it.
    std::string ToCodePage(const QString& text) const;
};

// One page of the notebook or one tab of a tab control: builds its widgets into the sheet the
// window gives it and hears of the login state and of regions decoded from the unit.
class WindowPage {
public:
    WindowPage(PageContext& context, QWidget& sheet) : m_context(context), m_sheet(sheet) {}
    virtual ~WindowPage() = default;
    WindowPage(const WindowPage&) = delete;
    WindowPage& operator=(const WindowPage&) = delete;

    // Creates the page's widgets and registers them, in creation order. Called once.
    virtual void Build() {}
    // The user logged in (true) or out (false).
    virtual void LoginStateChanged(bool /*on*/) {}
    // A region's blocks arrived from the unit and its decoder succeeded.
    virtual void RegionDecoded(RegionId /*region*/) {}
    // Places the widgets that follow the window's size; the window calls it after creation and
    // once more when the catalogue's texts are in.
    virtual void Relayout() {}

    QWidget& Sheet() const { return m_sheet; }

protected:
    PageContext& m_context;
    QWidget& m_sheet;
};

}  // namespace carecfg
