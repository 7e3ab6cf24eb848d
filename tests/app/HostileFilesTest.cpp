// Hostile files in the window: every load (profile, record area, whole image) refuses each with
// "M34" and changes nothing, a help document that is no document shows the text of "M34" with
// the system's reason, and a skin.ini that is no catalogue neither blocks the start nor the
// closing of the window.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/help/HelpDocuments.h"
#include "records/RecordPages.h"
#include "sim/DemoUnit.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/base/HostileFiles.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

namespace fs = std::filesystem;
using testing::HostileFile;
using testing::HostileFiles;
using testing::WaitUntil;

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// A window over the shipped catalogue whose file dialogs answer from a queue; an answer may
// remove its file first, as another program could between the dialog and the read.
class HostileFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteBytes(m_folder / "skin.ini", testing::ShippedSkin());
        WindowOptions options;
        options.catalogPath = m_folder / "skin.ini";
        options.documentDir = m_folder.Path();
        options.screenSize = QSize(1920, 1080);
        options.showMessage = [this](const std::string& key) { m_messages.push_back(key); };
        options.chooseFile = [this](const QString&) -> std::optional<QString> {
            if (m_answer.empty()) {
                return std::nullopt;
            }
            const fs::path file = m_answer;
            m_answer.clear();
            if (m_vanish) {
                fs::remove(file);
            }
            return QString::fromStdString(file.string());
        };
        m_window = std::make_unique<Tfrm_mainset>(std::move(options));
        bool started = false;
        QObject::connect(m_window.get(), &Tfrm_mainset::StartupFinished, [&] { started = true; });
        ASSERT_TRUE(WaitUntil([&] { return started; }));
    }

    std::string Image() const {
        const auto bytes = m_window->Image().Bytes();
        return std::string(bytes.begin(), bytes.end());
    }
    std::string Record() const {
        const auto& r = m_window->Settings().Record();
        return std::string(r.begin(), r.end());
    }
    std::vector<std::string> Rows(const char* list) const {
        std::vector<std::string> rows;
        const auto* view = m_window->Find<QTreeWidget>(QString::fromLatin1(list));
        for (int r = 0; view != nullptr && r < view->topLevelItemCount(); ++r) {
            rows.push_back(view->topLevelItem(r)->text(1).toStdString());
        }
        return rows;
    }
    void Click(const char* button) {
        m_window->Find<QAbstractButton>(QString::fromLatin1(button))->click();
    }

    // What one load kind shows: its button, the bytes a file must have, and the state it must
    // leave alone.
    struct LoadKind {
        const char* name;
        const char* button;
        std::size_t size;
        std::function<std::string()> state;
    };

    // Every hostile file, and a good file that vanishes inside the dialog, against one load.
    void ExpectEveryHostileFileRefused(const LoadKind& kind) {
        std::vector<HostileFile> cases = HostileFiles();
        cases.push_back({"vanishes after the dialog",
                         [](const fs::path& p, std::size_t n) { testing::WriteFilled(p, n); }, ""});
        for (const HostileFile& c : cases) {
            SCOPED_TRACE(std::string(kind.name) + ": " + c.name);
            if (!c.blocksRoot && testing::RunningAsRoot()) {
                continue;  // permission bits do not stop root
            }
            testing::TempDir dir("carecfg-hostile");
            const fs::path file = dir / "file.bin";
            c.make(file, kind.size);
            testing::FifoGuard guard(file);
            const std::string before = kind.state();
            m_messages.clear();
            m_answer = file;
            m_vanish = c.name == "vanishes after the dialog";
            const auto start = std::chrono::steady_clock::now();
            Click(kind.button);
            const double took = MsSince(start);
            EXPECT_EQ(m_messages, std::vector<std::string>{"M34"});
            EXPECT_EQ(kind.state(), before);
            EXPECT_FALSE(guard.Fired());
            std::printf("  %-8s %-26s %8.3f ms\n", kind.name, c.name.c_str(), took);
        }
        m_vanish = false;
    }

    testing::TempDir m_folder{"carecfg-hostile-window"};
    std::vector<std::string> m_messages;
    fs::path m_answer;
    bool m_vanish = false;
    std::unique_ptr<Tfrm_mainset> m_window;
};

// The loads start from a filled state, so that "nothing changed" means something.
TEST_F(HostileFilesTest, ProfileLoadRefusesEveryHostileFile) {
    const auto memory = BuildDemoMemory();
    testing::WriteBytes(m_folder / "demo.bin",
                        std::string(memory.begin(), memory.begin() + kSettingsRecordSize));
    m_answer = m_folder / "demo.bin";
    Click("SpeedButton21");
    ASSERT_TRUE(m_messages.empty());
    ExpectEveryHostileFileRefused(
        {"profile", "SpeedButton21", kSettingsRecordSize, [this] { return Record(); }});
}

TEST_F(HostileFilesTest, RecordAreaLoadRefusesEveryHostileFile) {
    const RecordPageRow& alarm = *RecordPageFor(RegionId::AlarmRecord);
    const auto memory = BuildDemoMemory();
    const ImageRegion& r = Region(RegionId::AlarmRecord);
    testing::WriteBytes(m_folder / "area.bin",
                        std::string(memory.begin() + r.start, memory.begin() + r.start + r.size));
    m_answer = m_folder / "area.bin";
    Click(alarm.loadButton);
    ASSERT_TRUE(m_messages.empty());
    ASSERT_FALSE(Rows(alarm.list).empty());
    ExpectEveryHostileFileRefused({"region", alarm.loadButton, r.size, [&] {
                                       std::string state = Image();
                                       for (const auto& row : Rows(alarm.list)) {
                                           state += "|" + row;
                                       }
                                       return state;
                                   }});
}

TEST_F(HostileFilesTest, ImageLoadRefusesEveryHostileFile) {
    const auto memory = BuildDemoMemory();
    testing::WriteBytes(m_folder / "image.bin", std::string(memory.begin(), memory.end()));
    m_answer = m_folder / "image.bin";
    Click("Button1");
    ASSERT_TRUE(m_messages.empty());
    const char* inbox = RecordPageFor(RegionId::Inbox)->list;
    ASSERT_FALSE(Rows(inbox).empty());
    ExpectEveryHostileFileRefused({"image", "Button1", kImageSize, [&] {
                                       std::string state = Image();
                                       for (const auto& row : Rows(inbox)) {
                                           state += "|" + row;
                                       }
                                       return state;
                                   }});
}

// Closes the next message box that opens and keeps its text.
class MessageBoxCatcher {
public:
    MessageBoxCatcher() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.push_back(box->text().toStdString());
                box->accept();
            }
        });
        m_timer.start();
    }
    std::vector<std::string> texts;

private:
    QTimer m_timer;
};

// A help document that exists but is no document: the window opens at once, keeps the built-in
// page and tells the text of "M34", the document's name and the system's reason in one box.
TEST(HostileWindowStartTest, HelpDocumentThatIsNoDocumentShowsTheReason) {
    struct Case {
        const char* name;
        void (*make)(const fs::path&);
        std::string reason;
    };
    const Case cases[] = {
        {"directory", [](const fs::path& p) { fs::create_directory(p); }, std::strerror(EISDIR)},
        {"symbolic link loop", [](const fs::path& p) { fs::create_symlink(p, p); },
         std::strerror(ELOOP)},
        {"200 MB",
         [](const fs::path& p) {
             testing::WriteFilled(p, 0);
             fs::resize_file(p, 200'000'000);
         },
         std::strerror(EFBIG)},
        {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir("carecfg-hostile-help");
        testing::WriteBytes(dir / "skin.ini", testing::ShippedSkin());
        const fs::path help = dir / std::string(kHelpDocumentName);
        c.make(help);
        testing::WriteBytes(dir / std::string(kContactDocumentName), "Reach us by mail\n");
        testing::FifoGuard guard(help);
        MessageBoxCatcher boxes;
        WindowOptions options;
        options.catalogPath = dir / "skin.ini";
        options.documentDir = dir.Path();
        options.screenSize = QSize(1920, 1080);
        const auto start = std::chrono::steady_clock::now();
        Tfrm_mainset window(std::move(options));
        const double took = MsSince(start);
        ASSERT_EQ(boxes.texts.size(), 1u);
        const std::string expected = window.MessageString("M34").toStdString() + "\n\n" +
                                     std::string(kHelpDocumentName) + ": ";
        EXPECT_EQ(boxes.texts[0].substr(0, expected.size()), expected);
        EXPECT_NE(boxes.texts[0].find(c.reason), std::string::npos) << boxes.texts[0];
        EXPECT_EQ(window.Find<QTextEdit>(QStringLiteral("ReadMeRTE"))->toPlainText(),
                  QString::fromUtf8(kReadMeRTEBuiltInText.data(),
                                    static_cast<qsizetype>(kReadMeRTEBuiltInText.size())));
        EXPECT_TRUE(window.Find<QTextEdit>(QStringLiteral("ContactRTE"))
                        ->toPlainText()
                        .contains(QStringLiteral("Reach us by mail")));
        EXPECT_FALSE(guard.Fired());
        std::printf("  Help.rtf %-20s start %8.1f ms  \"%s\"\n", c.name, took,
                    boxes.texts[0].c_str());
    }
}

// A skin.ini that is no catalogue: the window starts on its defaults, and closing it (which
// writes the bounds) neither blocks nor replaces what is there.
TEST(HostileWindowStartTest, CatalogueThatIsNoCatalogueNeitherBlocksStartNorClose) {
    struct Case {
        const char* name;
        void (*make)(const fs::path&);
    };
    const Case cases[] = {
        {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
        {"directory", [](const fs::path& p) { fs::create_directory(p); }},
        {"1 GiB sparse",
         [](const fs::path& p) {
             testing::WriteFilled(p, 0);
             fs::resize_file(p, std::uintmax_t{1} << 30);
         }},
        {"binary",
         [](const fs::path& p) {
             std::string bytes;
             for (int i = 0; i < 200000; ++i) {
                 bytes.push_back(static_cast<char>((i * 167 + i / 256) & 0xFF));
             }
             testing::WriteBytes(p, bytes);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir("carecfg-hostile-skin");
        const fs::path skin = dir / "skin.ini";
        c.make(skin);
        const auto type = fs::symlink_status(skin).type();
        testing::FifoGuard guard(skin);
        std::vector<std::string> messages;
        WindowOptions options;
        options.catalogPath = skin;
        options.documentDir = dir.Path();
        options.screenSize = QSize(1920, 1080);
        options.showMessage = [&](const std::string& key) { messages.push_back(key); };
        const auto start = std::chrono::steady_clock::now();
        auto window = std::make_unique<Tfrm_mainset>(std::move(options));
        bool started = false;
        QObject::connect(window.get(), &Tfrm_mainset::StartupFinished, [&] { started = true; });
        ASSERT_TRUE(WaitUntil([&] { return started; }));
        const double startMs = MsSince(start);
        EXPECT_EQ(window->MessageString("M34"), QStringLiteral("Unknown Error"));
        window->show();
        const auto closing = std::chrono::steady_clock::now();
        EXPECT_TRUE(window->close());
        const double closeMs = MsSince(closing);
        window.reset();
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(fs::symlink_status(skin).type(), type);
        EXPECT_FALSE(guard.Fired());
        std::printf("  skin.ini %-14s start %8.1f ms  close %8.3f ms\n", c.name, startMs, closeMs);
    }
}

}  // namespace
}  // namespace carecfg
