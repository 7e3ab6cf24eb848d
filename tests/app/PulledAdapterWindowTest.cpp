// The window when the adapter is pulled out in the middle of a transfer, and when another
// holder has its port: no crash, no hang, the buttons keep working, the port closes, and it
// opens again once the unit is back; a port held elsewhere shows "M2" and the holder goes on.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/StatusBar.h"
#include "image/DeviceImage.h"
#include "link/Commands.h"
#include "link/FrameParser.h"
#include "serial/EventQueue.h"
#include "serial/SerialComm.h"
#include "sim/UnitSim.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

using testing::ShippedSkin;
using testing::WaitUntil;

// A window over the shipped catalogue with a short resend interval, and a unit on a link path.
class PulledAdapterWindowTest : public ::testing::Test {
protected:
    void Open(SimOptions sim = {}) {
        std::string skin = ShippedSkin();
        const auto at = skin.find("\nresendtime=");
        ASSERT_NE(at, std::string::npos);
        skin.replace(at + 1, skin.find('\n', at + 1) - at - 1, "resendtime=300");
        testing::WriteBytes(m_folder.Path() / "skin.ini", skin);
        WindowOptions options;
        options.catalogPath = m_folder.Path() / "skin.ini";
        options.documentDir = m_folder.Path();
        options.showMessage = [this](const std::string& key) { m_messages.push_back(key); };
        m_window = std::make_unique<Tfrm_mainset>(std::move(options));
        m_unit = std::make_unique<UnitSim>(std::move(sim));
        ASSERT_TRUE(m_unit->Start(m_link)) << m_unit->LastError();
        Find<QComboBox>("cbox_com")->setCurrentText(QString::fromStdString(m_link.string()));
    }
    template <class T>
    T* Find(const char* name) const {
        T* widget = m_window->Find<T>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Click(const char* name) { Find<QAbstractButton>(name)->click(); }
    QString Status() const { return m_window->StatusBar()->PanelText(0); }
    QString Msg(const char* key) const { return m_window->MessageString(key); }
    bool PortButtonSays(const char* key) const {
        return Find<QToolButton>("SpeedButton10")->text() == Msg(key);
    }
    // The port button opens the port and the unit's identity arrives.
    bool Connect() {
        Click("SpeedButton10");
        return WaitUntil([&] { return Status() == Msg("M23"); });
    }
    // The sender has used up its transmissions and stopped its timer.
    bool LinkGaveUp() {
        return m_window->Session().Sender().SendCount() == LinkSender::MaxSends &&
               !m_window->Timer1().IsRunning();
    }
    // The record regions in the window's image are the unit's.
    ::testing::AssertionResult RecordsMatchTheUnit() const {
        const std::vector<std::uint8_t> memory = m_unit->MemorySnapshot();
        for (const RegionId id : RecordChain()) {
            const ImageRegion& r = Region(id);
            const auto image = m_window->Image().Range(r.start, r.size);
            if (!std::equal(image.begin(), image.end(), memory.begin() + r.start)) {
                return ::testing::AssertionFailure() << r.name << " differs";
            }
        }
        return ::testing::AssertionSuccess();
    }

    testing::TempDir m_folder{"carecfg-pulled"};
    std::filesystem::path m_link = m_folder.Path() / "ttyUNIT";
    std::vector<std::string> m_messages;
    std::unique_ptr<UnitSim> m_unit;  // outlives the window's port only as long as the test says
    std::unique_ptr<Tfrm_mainset> m_window;
};

TEST_F(PulledAdapterWindowTest, StaysUsableClosesAndReopensOnceTheUnitIsBack) {
    SimOptions sim;
    sim.faults.hangUpAfterBlocks = 30;
    Open(sim);
    ASSERT_TRUE(Connect());

    Click("Button23");  // "Read Record": the whole record chain
    ASSERT_TRUE(WaitUntil([&] { return m_unit->HangUps() == 1; }));
    ASSERT_TRUE(WaitUntil([&] { return LinkGaveUp(); })) << "the dead line is silence to the link";

    // The buttons still work: another read goes nowhere and ends the same way, page buttons
    // change the page.
    Click("SpeedButton15");
    ASSERT_TRUE(WaitUntil([&] { return LinkGaveUp(); }));
    const int page = m_window->CurrentPage();
    Click("tefxSpeedButton19");
    EXPECT_NE(m_window->CurrentPage(), page);

    // The port closes; opening it while the unit is away fails with "M2".
    Click("SpeedButton10");
    EXPECT_EQ(Status(), Msg("M3"));
    EXPECT_FALSE(m_window->CommR().IsOpen());
    EXPECT_TRUE(PortButtonSays("M14"));
    Click("SpeedButton10");
    EXPECT_EQ(Status(), Msg("M2"));
    EXPECT_FALSE(m_window->CommR().IsOpen());
    EXPECT_TRUE(PortButtonSays("M14"));

    // Plugged in again: the same port name opens, and the record chain reads whole.
    m_unit->ComeBack();
    ASSERT_TRUE(WaitUntil([&] { return m_unit->LineUp(); })) << m_unit->LastError();
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(PortButtonSays("M15"));
    Click("Button23");
    ASSERT_TRUE(WaitUntil([&] { return m_window->StatusBar()->PanelText(4) == "100%"; }));
    EXPECT_TRUE(RecordsMatchTheUnit());
    EXPECT_EQ(m_unit->HangUps(), 1);
}

TEST_F(PulledAdapterWindowTest, APortHeldElsewhereShowsM2AndTheHolderGoesOn) {
    Open();
    // Another holder of the port: a second TComm in this process.
    EventQueue events;
    TComm other(events);
    std::vector<std::uint8_t> received;
    other.OnReceiveData = [&](TComm&, const std::uint8_t* b, std::uint16_t n) {
        received.insert(received.end(), b, b + n);
    };
    other.ApplyCommRSettings();
    other.SetCommName(m_link.string());
    other.OpenPort();

    Click("SpeedButton10");
    EXPECT_EQ(Status(), Msg("M2"));
    EXPECT_FALSE(m_window->CommR().IsOpen());
    EXPECT_TRUE(PortButtonSays("M14"));
    const auto identity = BuildReadIdentity();
    ASSERT_TRUE(other.WritePortData(identity.data(), static_cast<std::uint16_t>(identity.size())));
    ASSERT_TRUE(WaitUntil([&] {
        events.RunReady();
        return received.size() >= identity.size() + 34;
    }));
    FrameParser parser;
    EXPECT_EQ(parser.Feed(received).size(), 1u) << "the holder's exchange went on";
    other.ClosePort();

    // Now the window holds the port: a second opener fails while the window's read completes.
    ASSERT_TRUE(Connect());
    Click("Button23");
    TComm second(events);
    second.SetCommName(m_link.string());
    try {
        second.OpenPort();
        ADD_FAILURE() << "a held port opened a second time";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), kErrOpening);
    }
    ASSERT_TRUE(WaitUntil([&] { return m_window->StatusBar()->PanelText(4) == "100%"; }));
    EXPECT_TRUE(RecordsMatchTheUnit());
}

}  // namespace
}  // namespace carecfg
