#include "sim/DemoUnit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "image/DeviceImage.h"

namespace carecfg {
namespace {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct CivilDate {
    int year, month, day;
};

CivilDate CivilFromDays(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    return {y, m, d};
}

// Every demonstration record is dated from Monday 2024-03-04 on, so the memory never changes.
const long kBaseDay = DaysFromCivil(2024, 3, 4);

// Writes the 6-byte binary stamp (year within the century, month, day, hour, minute, second)
// of day `dayOffset` after the base date at the given time of day.
void PutStamp(std::uint8_t* at, int dayOffset, int hour, int minute, int second) {
    const CivilDate date = CivilFromDays(kBaseDay + dayOffset);
    at[0] = static_cast<std::uint8_t>(date.year - 2000);
    at[1] = static_cast<std::uint8_t>(date.month);
    at[2] = static_cast<std::uint8_t>(date.day);
    at[3] = static_cast<std::uint8_t>(hour);
    at[4] = static_cast<std::uint8_t>(minute);
    at[5] = static_cast<std::uint8_t>(second);
}

// Copies the text to the start of a field of `width` bytes; the rest of the field is set to fill.
void PutText(std::uint8_t* at, std::size_t width, std::string_view text, std::uint8_t fill) {
    std::memset(at, fill, width);
    std::memcpy(at, text.data(), std::min(width, text.size()));
}

void PutWord(std::uint8_t* at, unsigned value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// A small fixed pseudo-random sequence, so readings vary without depending on any library's
// random-number distributions.
class DemoNoise {
public:
    explicit DemoNoise(std::uint32_t seed) : m_state(seed) {}
    // A value in [-spread, spread].
    int Next(int spread) {
        m_state = m_state * 1103515245u + 12345u;
        const int span = 2 * spread + 1;
        return static_cast<int>((m_state >> 16) % static_cast<std::uint32_t>(span)) - spread;
    }

private:
    std::uint32_t m_state;
};

// ---------------------------------------------------------------------------------------------
// Settings

// Alarm receivers: the daughter, the son, the care service, a neighbour and the family doctor's
// practice nurse.
constexpr std::array<std::string_view, 5> kReceivers = {
    "+491711234501", "+491711234502", "+493012345600", "+491601112233", "+441632960123"};
// Report flags of the receivers above. Byte B bits: 0 alarm call, 1 alarm SMS, 2 daily SMS,
// 3 temperature threshold SMS, 4 temperature threshold call, 5 armed/disarmed SMS, 6 DC loss
// SMS, 7 sensor low battery SMS. Byte A bits: 0 GPRS failure SMS, 1 measured-value alert SMS.
constexpr std::array<std::uint8_t, 5> kReceiverFlagsA = {0x03, 0x02, 0x01, 0x00, 0x02};
constexpr std::array<std::uint8_t, 5> kReceiverFlagsB = {0xFF, 0x6B, 0x87, 0x01, 0x0A};

constexpr std::array<std::string_view, 4> kSpeedDials = {"+491711234501", "+491711234502",
                                                         "+493012345600", "112"};

// Zone types as the unit numbers them: 0 activity watch (uses the three time blocks), 1 instant,
// 2 delayed (entrance delay), 3 24-hour, 4 emergency button, 5 fire and smoke, 6 remote control
// (no name, alert or siren), 7 not used, 8 doorbell (no alert or siren).
enum DemoZoneType : std::uint8_t {
    kActivityWatch = 0,
    kInstant = 1,
    kDelayed = 2,
    kDayAndNight = 3,
    kEmergencyButton = 4,
    kFireAndSmoke = 5,
    kRemoteControl = 6,
    kNotUsed = 7,
    kDoorbell = 8,
};

// One block of an activity-watch zone: from hour:minute to hour:minute on the chosen days
// (0 off, 1 every day, 2 Monday to Friday, 3 Saturday and Sunday).
struct DemoBlock {
    std::uint8_t fromHour, fromMinute, toHour, toMinute, days;
};

struct DemoZone {
    std::string_view name;
    std::uint8_t type, alertTimes, sirenSound;  // alert and siren in periods of 20 seconds
    std::array<DemoBlock, 3> blocks;
    bool disabled;
};

// Periods of the two activity-watch zones: some movement is expected in the living room through
// the day and in the kitchen at breakfast and lunch; the evening period only on working days.
constexpr std::array<DemoBlock, 3> kLivingRoomWatch = {
    {{8, 0, 12, 0, 1}, {12, 0, 18, 0, 1}, {18, 0, 22, 0, 2}}};
constexpr std::array<DemoBlock, 3> kKitchenWatch = {{{7, 0, 10, 0, 1}, {11, 30, 14, 0, 1}, {}}};

// Zone 0 is the unit's own emergency pendant; it has no type of its own.
constexpr std::array<DemoZone, 13> kZones = {{
    {"Emergency pendant", kEmergencyButton, 3, 0, {}, false},
    {"Front door", kDelayed, 2, 3, {}, false},
    {"Back door", kInstant, 2, 3, {}, false},
    {"Living room motion", kActivityWatch, 2, 0, kLivingRoomWatch, false},
    {"Bedroom motion", kInstant, 1, 2, {}, false},
    {"Kitchen smoke detector", kFireAndSmoke, 5, 6, {}, false},
    {"Bathroom pull cord", kEmergencyButton, 3, 0, {}, false},
    {"Kitchen motion", kActivityWatch, 2, 0, kKitchenWatch, false},
    {"Garage door", kDelayed, 2, 3, {}, false},
    {"Key fob", kRemoteControl, 0, 0, {}, false},
    {"Water leak bathroom", kDayAndNight, 3, 2, {}, false},
    {"Doorbell", kDoorbell, 0, 0, {}, false},
    {"Spare sensor", kNotUsed, 0, 0, {}, true},
}};

void FillZone(std::uint8_t* zone, int z) {
    // Blank form of a zone: erased name, zeroed remainder, kept bytes zero.
    std::memset(zone, 0x00, 92);
    std::memset(zone, 0xFF, 64);
    if (z < static_cast<int>(kZones.size())) {
        const DemoZone& d = kZones[static_cast<std::size_t>(z)];
        PutText(zone, 64, d.name, 0xFF);
        zone[68] = z == 0 ? 0xFF : d.type;  // zone 0 has no type of its own
        zone[69] = d.alertTimes;
        zone[70] = d.sirenSound;
        for (std::size_t q = 0; q < d.blocks.size(); ++q) {
            const DemoBlock& b = d.blocks[q];
            std::uint8_t* block = zone + 71 + 6 * q;
            block[0] = b.fromHour;
            block[1] = b.fromMinute;
            block[2] = b.toHour;
            block[3] = b.toMinute;
            block[4] = b.days;
        }
        zone[89] = d.disabled ? 1 : 0;
    } else {
        zone[68] = kNotUsed;  // the unit's default type for a zone nobody set up
        zone[89] = 1;
    }
}

void FillSettings(std::uint8_t* s) {
    // Blank values first: 0xFF for numbers, names and email fields, 0x00 for flags and servers;
    // the unused tail of the region stays erased.
    std::memset(s, 0xFF, 4096);
    std::memset(s + 0x0AA, 0x00, 0x0BE - 0x0AA);
    std::memset(s + 0x0CE, 0x00, 0x146 - 0x0CE);
    std::memset(s + 0x14C, 0x00, 4);
    std::memset(s + 0xD2C, 0x00, 0xD50 - 0xD2C);
    std::memset(s + 0xDE6, 0x00, 0xDF4 - 0xDE6);
    s[0xE34] = 0x00;

    PutText(s + 0x000, 10, "300421785", 0xFF);
    for (std::size_t n = 0; n < kReceivers.size(); ++n) {
        PutText(s + 0x00A + 16 * n, 16, kReceivers[n], 0xFF);
        s[0x0AA + 2 * n] = kReceiverFlagsA[n];
        s[0x0AB + 2 * n] = kReceiverFlagsB[n];
    }
    PutText(s + 0x0BE, 16, "+491729876543", 0xFF);
    s[0x0CE] = 8;  // daily SMS at 08:30
    s[0x0CF] = 30;
    PutText(s + 0x0D0, 32, "monitor.carelink.example", 0x00);
    PutWord(s + 0x0F0, 7070);
    PutText(s + 0x0F2, 32, "192.0.2.40", 0x00);
    PutWord(s + 0x112, 7071);
    PutWord(s + 0x114, 3);  // resend a report three times
    PutText(s + 0x116, 16, "internet.m2m", 0x00);
    PutText(s + 0x126, 16, "care", 0x00);
    PutText(s + 0x136, 16, "care2024", 0x00);
    s[0x146] = 7;  // upload timer 1 07:00, timer 2 19:30, timer 3 not set
    s[0x147] = 0;
    s[0x148] = 19;
    s[0x149] = 30;
    s[0x14C] = 30;  // temperature thresholds in degrees Celsius
    s[0x14D] = 5;
    PutWord(s + 0x14E, 4);  // temperature SMS after item 4 of the delay list (10 minutes)

    FillZone(s + 0x150, 0);
    for (int z = 1; z <= 32; ++z) {
        FillZone(s + 0x1AC + 92 * (z - 1), z);
    }

    // Alarming clocks: type (0 medication, 1 meal, 3 off, 4 drink), hour, minute, (unused),
    // seconds between alerts, alert times.
    const std::uint8_t clocks[5][6] = {{0, 8, 0, 0, 20, 3},
                                       {1, 12, 30, 0, 30, 2},
                                       {4, 15, 0, 0, 10, 1},
                                       {0, 20, 0, 0, 20, 3},
                                       {3, 0, 0, 0, 0, 0}};
    for (int k = 0; k < 5; ++k) {
        std::memcpy(s + 0xD2C + 6 * k, clocks[k], 6);
    }
    PutWord(s + 0xD4A, 30);  // armed delay, seconds
    PutWord(s + 0xD4C, 20);  // entrance delay, seconds
    s[0xD4E] = 0x05;         // SMS on arming and disarming, microphone on during an alarm call
    s[0xD4F] = 0x00;

    PutText(s + 0xD50, 32, "anna.becker@example.com", 0xFF);
    PutText(s + 0xD70, 32, "care-team@example.org", 0xFF);
    PutText(s + 0xD90, 32, "smtp.example.com", 0xFF);
    PutText(s + 0xDB0, 32, "unit300421785@example.com", 0xFF);
    PutText(s + 0xDD0, 16, "mail2024", 0xFF);
    s[0xDE0] = 20;  // automatic emails at 20:00 and 08:15
    s[0xDE1] = 0;
    s[0xDE2] = 8;
    s[0xDE3] = 15;
    s[0xDE4] = 0x80;  // first email: every day (a day of the week, item 0)
    s[0xDE5] = 0x01;  // second email: on the 1st of each month (a day of the month, item 0)

    // Thresholds: blood pressure and weight in the base units, glucose in the alternative unit.
    s[0xDE6] = 140;  // systolic high / low, mmHg
    s[0xDE7] = 90;
    s[0xDE8] = 100;  // heart rate high / low, beats per minute
    s[0xDE9] = 50;
    PutWord(s + 0xDEA, 1400);  // glucose 140.0 / 70.0 mg/dL in tenths
    PutWord(s + 0xDEC, 700);
    PutWord(s + 0xDEE, 950);  // weight 95.0 / 55.0 kg in tenths
    PutWord(s + 0xDF0, 550);
    s[0xDF2] = 5;  // upload delay, minutes
    // Option flags: bit 1 the SIM number in reports, bit 3 glucose in mg/dL; bits 2 (pressure)
    // and 4 (weight) clear: mmHg and kg.
    s[0xDF3] = 0x0A;
    for (std::size_t k = 0; k < kSpeedDials.size(); ++k) {
        PutText(s + 0xDF4 + 16 * k, 16, kSpeedDials[k], 0xFF);
    }
    s[0xE34] = 30;  // DC loss SMS after 30 minutes
}

// ---------------------------------------------------------------------------------------------
// Histories and messages

// Slot i of the sector-organised histories: 50 slots of 80 bytes at the start of each 4 KiB.
std::uint8_t* SectorSlot(std::uint8_t* region, int i) {
    return region + (i / 50) * 4096 + (i % 50) * 80;
}

void FillAlarms(std::uint8_t* region) {
    constexpr std::array<std::string_view, 10> texts = {
        "Emergency pendant pressed",           "Zone 1 Front door alarm",
        "Zone 3 Living room motion alarm",     "External DC power lost",
        "External DC power restored",          "Zone 6 Bathroom pull cord alarm",
        "Zone 5 Kitchen smoke detector alarm", "Zone 4 Bedroom motion low battery",
        "Blood pressure above threshold",      "Glucose below threshold"};
    DemoNoise noise(7);
    for (int i = 0; i < 60; ++i) {
        std::uint8_t* slot = SectorSlot(region, i);
        const int day = (i * 41) / 60;
        PutStamp(slot, day, 6 + (i * 7) % 16, (i * 13) % 60, (i * 29) % 60);
        PutText(slot + 6, 64, texts[static_cast<std::size_t>((i * 3 + noise.Next(1) + 1) % 10)],
                0x00);
    }
}

void FillArming(std::uint8_t* region) {
    constexpr std::array<std::string_view, 4> sources = {
        "Remote control", "Keypad", "SMS from +491711234501", "SMS from +491711234502"};
    for (int i = 0; i < 48; ++i) {
        std::uint8_t* slot = SectorSlot(region, i);
        const int day = i / 2 + (i / 16);  // armed when leaving, disarmed on return
        const bool arming = i % 2 == 0;
        PutStamp(slot, day, arming ? 9 + i % 3 : 12 + i % 5, (i * 11) % 60, (i * 17) % 60);
        slot[6] = arming ? 1 : 0;
        PutText(slot + 7, 64, sources[static_cast<std::size_t>(i % 4)], 0x00);
    }
}

// Call records: 32 bytes each, stamp, 16-bit call value (seconds of the call), number.
void FillCalls(std::uint8_t* region, int count, int firstReceiver, int hourBase) {
    DemoNoise noise(static_cast<std::uint32_t>(count * 31 + firstReceiver));
    for (int i = 0; i < count; ++i) {
        std::uint8_t* slot = region + 32 * i;
        std::memset(slot, 0xFF, 32);
        const int day = (i * 41) / count;
        PutStamp(slot, day, hourBase + (i * 5) % 9, (i * 23) % 60, (i * 37) % 60);
        PutWord(slot + 6, static_cast<unsigned>(45 + 30 * (i % 7) + noise.Next(20)));
        const std::size_t who = static_cast<std::size_t>(firstReceiver + i) % kReceivers.size();
        PutText(slot + 8, 16, kReceivers[who], 0x00);
    }
}

struct DemoMessage {
    std::string_view number;
    std::string_view text;
};

void FillMessages(std::uint8_t* region, std::span<const DemoMessage> messages, int repeats,
                  int hourBase) {
    const int count = static_cast<int>(messages.size()) * repeats;
    for (int i = 0; i < count; ++i) {
        std::uint8_t* slot = region + 256 * i;
        std::memset(slot, 0xFF, 256);
        const DemoMessage& m = messages[static_cast<std::size_t>(i) % messages.size()];
        const int day = (i * 41) / count;
        PutStamp(slot, day, hourBase + (i * 3) % 10, (i * 19) % 60, (i * 7) % 60);
        PutText(slot + 6, 16, m.number, 0x00);
        PutText(slot + 22, 160, m.text, 0x00);
    }
}

constexpr std::array<DemoMessage, 6> kInbox = {{
    {"+491711234501", "STATUS?"},
    {"+491711234502", "ARM"},
    {"+491711234502", "DISARM"},
    {"+493012345600", "Good morning Anna, the nurse visits at 10:30 today."},
    {"+491711234501", "REPORT"},
    {"+4922112345", "Your prepaid balance is 12.40 EUR. Top up at any shop."},
}};

constexpr std::array<DemoMessage, 6> kOutbox = {{
    {"+491711234501", "Unit 300421785: all zones normal, power OK, battery 98%."},
    {"+491711234502", "Unit 300421785 armed by SMS."},
    {"+491711234502", "Unit 300421785 disarmed by SMS."},
    {"+491711234501", "Alarm: Emergency pendant pressed."},
    {"+493012345600", "Blood pressure 152/96 mmHg above threshold 140/90."},
    {"+491711234501", "Daily report: 2 readings today, no alarms."},
}};

// ---------------------------------------------------------------------------------------------
// Health readings: header at +0, bank 1 at +0x020 and bank 2 at +0x820, 100 slots of 16 bytes.

std::uint8_t* ReadingSlot(std::uint8_t* region, int bank, int i) {
    return region + (bank == 0 ? 0x020 : 0x820) + 16 * i;
}

void FillBloodPressure(std::uint8_t* region) {
    region[0] = 0;  // mmHg
    region[1] = 0x00;
    region[2] = 140;  // pressure high / low
    region[3] = 90;
    region[4] = 100;  // heart rate high / low
    region[5] = 50;
    DemoNoise noise(11);
    // Bank 1: morning and evening over six weeks; bank 2: every morning for five weeks.
    for (int bank = 0; bank < 2; ++bank) {
        const int count = bank == 0 ? 84 : 35;
        for (int i = 0; i < count; ++i) {
            std::uint8_t* slot = ReadingSlot(region, bank, i);
            const int day = bank == 0 ? i / 2 : i;
            const bool evening = bank == 0 && i % 2 == 1;
            PutStamp(slot, day, evening ? 19 : 7, 10 + noise.Next(8) + 8, 5 + i % 50);
            const int systolic = (bank == 0 ? 132 : 121) + (evening ? 6 : 0) + noise.Next(12);
            const int diastolic = (bank == 0 ? 84 : 77) + noise.Next(8);
            slot[6] = static_cast<std::uint8_t>(systolic + (i % 17 == 5 ? 18 : 0));
            slot[7] = static_cast<std::uint8_t>(diastolic + (i % 17 == 5 ? 8 : 0));
            slot[8] = static_cast<std::uint8_t>((bank == 0 ? 72 : 66) + noise.Next(9));
        }
    }
}

// Glucose and weight share one shape: unit flag, 16-bit high and low thresholds in tenths,
// readings as 16-bit tenths of the base unit.
void FillTenthsReadings(std::uint8_t* region, unsigned high, unsigned low,
                        const std::array<int, 2>& level, const std::array<int, 2>& trend,
                        int spread, const std::array<int, 2>& counts, int stepDays,
                        std::uint32_t seed) {
    region[0] = 0;  // base unit
    region[1] = 0x00;
    PutWord(region + 2, high);
    PutWord(region + 4, low);
    DemoNoise noise(seed);
    for (int bank = 0; bank < 2; ++bank) {
        for (int i = 0; i < counts[static_cast<std::size_t>(bank)]; ++i) {
            std::uint8_t* slot = ReadingSlot(region, bank, i);
            const int day = (i * stepDays) / 2;
            PutStamp(slot, day, i % 2 == 0 ? 7 + bank : 18 + bank, 20 + noise.Next(15) + 15,
                     (i * 13) % 60);
            const int value = level[static_cast<std::size_t>(bank)] +
                              (trend[static_cast<std::size_t>(bank)] * i) / 10 + noise.Next(spread);
            PutWord(slot + 6, static_cast<unsigned>(std::max(value, 1)));
        }
    }
}

}  // namespace

std::vector<std::uint8_t> BuildDemoMemory() {
    std::vector<std::uint8_t> memory(kImageSize, kErased);
    auto regionAt = [&memory](RegionId id) { return memory.data() + Region(id).start; };

    FillSettings(regionAt(RegionId::Settings));
    FillAlarms(regionAt(RegionId::AlarmRecord));
    FillArming(regionAt(RegionId::ArmedRecord));
    FillCalls(regionAt(RegionId::DialOutRecord), 40, 0, 8);
    FillCalls(regionAt(RegionId::IncomingRecord), 36, 1, 10);
    FillMessages(regionAt(RegionId::Inbox), kInbox, 4, 8);
    FillMessages(regionAt(RegionId::Outbox), kOutbox, 5, 9);
    FillBloodPressure(regionAt(RegionId::BloodPressure));
    // Glucose in tenths of mmol/L around 6.1 and 5.4; weight in tenths of kg, slowly falling.
    FillTenthsReadings(regionAt(RegionId::Glucose), 78, 39, {61, 54}, {0, 0}, 14, {84, 60}, 1, 23);
    FillTenthsReadings(regionAt(RegionId::Weight), 950, 550, {812, 648}, {-2, 1}, 4, {42, 21}, 2,
                       37);
    return memory;
}

}  // namespace carecfg
