#include <gtest/gtest.h>

#include <set>
#include <string>

#include "serial/PortNames.h"

namespace carecfg {
namespace {

struct NameCase {
    const char* name;
    std::set<std::string> present;
    const char* expected;
};

TEST(PortNames, ResolvesNamesToDevicePaths) {
    const NameCase cases[] = {
        {"COM1", {"/dev/ttyUSB0", "/dev/ttyACM0"}, "/dev/ttyUSB0"},
        {"com2", {"/dev/ttyUSB1"}, "/dev/ttyUSB1"},
        {"COM1", {"/dev/ttyACM0"}, "/dev/ttyACM0"},
        {"COM3", {"/dev/ttyUSB0"}, "/dev/ttyS2"},
        {"  COM12 ", {}, "/dev/ttyS11"},
        {"\\\\.\\COM10", {"/dev/ttyUSB9"}, "/dev/ttyUSB9"},
        {"/dev/pts/7", {}, "/dev/pts/7"},
        {"./link", {}, "./link"},
        {"ttyAMA0", {}, "/dev/ttyAMA0"},
        {"COM0", {}, "/dev/COM0"},
        {"COMX", {}, "/dev/COMX"},
        {"COM1a", {}, "/dev/COM1a"},
        {"COM", {}, "/dev/COM"},
    };
    for (const NameCase& c : cases) {
        auto exists = [&](const std::string& path) { return c.present.count(path) != 0; };
        EXPECT_EQ(ResolvePortName(c.name, exists), c.expected) << "name '" << c.name << "'";
    }
}

TEST(PortNames, PathsAreKeptWithoutLookingThemUp) {
    EXPECT_EQ(ResolvePortName("/no/such/device"), "/no/such/device");
}

TEST(PortNames, DemoNameInAnyCase) {
    for (const char* yes : {"DEMO", "demo", " Demo ", "\tDEMO"})
        EXPECT_TRUE(IsDemoPortName(yes)) << yes;
    for (const char* no : {"", "DEMO1", "COM1", "DEM O", "/dev/DEMO"})
        EXPECT_FALSE(IsDemoPortName(no)) << no;
}

}  // namespace
}  // namespace carecfg
