#include "app/pages/PageTable.h"

#include "app/pages/AlarmClockTab.h"
#include "app/pages/BasicSettingsPage.h"
#include "app/pages/HealthSettingsPage.h"
#include "app/pages/HelpPage.h"
#include "app/pages/HomePage.h"
#include "app/pages/PasswordTab.h"
#include "app/pages/PlaceholderPage.h"
#include "app/pages/ReceiversTab.h"
#include "app/pages/SecuritySettingsPage.h"
#include "app/pages/ServerTab.h"
#include "app/pages/SpeedDialTab.h"

namespace carecfg {

namespace {

template <class Page>
std::unique_ptr<WindowPage> Make(PageContext& context, QWidget& sheet) {
    return std::make_unique<Page>(context, sheet);
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
        {"AlarmRecordPage", &Make<PlaceholderPage>},
        {"ArmedRecordPage", &Make<PlaceholderPage>},
        {"IncomingPage", &Make<PlaceholderPage>},
        {"DialOutPage", &Make<PlaceholderPage>},
        {"InboxPage", &Make<PlaceholderPage>},
        {"OutboxPage", &Make<PlaceholderPage>},
        {"BloodPage", &Make<PlaceholderPage>},
        {"GlucosePage", &Make<PlaceholderPage>},
        {"WeightPage", &Make<PlaceholderPage>},
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
