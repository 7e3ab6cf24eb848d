#include "app/pages/PageTable.h"

#include "app/pages/AlarmClockTab.h"
#include "app/pages/BasicSettingsPage.h"
#include "app/pages/HealthRecordPage.h"
#include "app/pages/HealthSettingsPage.h"
#include "app/pages/HelpPage.h"
#include "app/pages/HomePage.h"
#include "app/pages/PasswordTab.h"
#include "app/pages/ReceiversTab.h"
#include "app/pages/RecordPage.h"
#include "app/pages/SecuritySettingsPage.h"
#include "app/pages/ServerTab.h"
#include "app/pages/SpeedDialTab.h"

namespace carecfg {

namespace {

template <class Page>
std::unique_ptr<WindowPage> Make(PageContext& context, QWidget& sheet) {
    return std::make_unique<Page>(context, sheet);
}

// The record page of row `index` of RecordPages().
template <std::size_t index>
std::unique_ptr<WindowPage> MakeRecord(PageContext& context, QWidget& sheet) {
    return std::make_unique<RecordPage>(context, sheet, RecordPages()[index]);
}

// The health page of row `index` of HealthPageRows().
template <std::size_t index>
std::unique_ptr<WindowPage> MakeHealth(PageContext& context, QWidget& sheet) {
    return std::make_unique<HealthRecordPage>(context, sheet, HealthPageRows()[index]);
}

template <const HelpPageContent& content>
std::unique_ptr<WindowPage> MakeHelp(PageContext& context, QWidget& sheet) {
    return std::make_unique<HelpPage>(context, sheet, content);
}

}  // namespace

const std::vector<PageRow>& NotebookPages() {
    static const std::vector<PageRow> rows = {
        {"HomePage", &Make<HomePage>},
        {"BasicPage", &Make<BasicSettingsPage>},
        {"SecurityPage", &Make<SecuritySettingsPage>},
        {"HealthPage", &Make<HealthSettingsPage>},
        {RecordPages()[0].sheet, &MakeRecord<0>},
        {RecordPages()[1].sheet, &MakeRecord<1>},
        {RecordPages()[2].sheet, &MakeRecord<2>},
        {RecordPages()[3].sheet, &MakeRecord<3>},
        {RecordPages()[4].sheet, &MakeRecord<4>},
        {RecordPages()[5].sheet, &MakeRecord<5>},
        {HealthPageRows()[0].sheet, &MakeHealth<0>},
        {HealthPageRows()[1].sheet, &MakeHealth<1>},
        {HealthPageRows()[2].sheet, &MakeHealth<2>},
        {"GuidePage", &MakeHelp<kGuideHelpPage>},
        {"GprsTestPage", &MakeHelp<kGprsLogHelpPage>},
        {"AboutPage", &MakeHelp<kContactHelpPage>},
    };
    return rows;
}

const std::vector<TabRow>& BasicSettingsTabs() {
    static const std::vector<TabRow> rows = {
        {"TabSheet21", "Password", &Make<PasswordTab>},
        {"TabSheet4", "Alarm Receivers", &Make<ReceiversTab>},
        {"TabSheet5", "Speed Dial", &Make<SpeedDialTab>},
        {"TabSheet1", "GPRS / Email", &Make<ServerTab>},
        {"TabSheet6", "Alarming Clock", &Make<AlarmClockTab>},
    };
    return rows;
}

}  // namespace carecfg
