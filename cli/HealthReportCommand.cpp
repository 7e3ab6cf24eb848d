#include "cli/HealthCommand.h"

#include <QApplication>
#include <QTreeWidget>

#include <array>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CaptionApplier.h"
#include "app/ComponentRegistry.h"
#include "app/HealthChartView.h"
#include "app/HealthReport.h"
#include "app/HealthReportBuilder.h"
#include "cli/CliArguments.h"
#include "cli/HealthFile.h"
#include "text/TextCodec.h"

namespace carecfg {

namespace {

// Section FORM of the catalogue for the caption applier.
class CatalogForm : public FormEntries {
public:
    explicit CatalogForm(const TextCatalog& catalog) : m_catalog(catalog) {}
    std::optional<std::string> Find(std::string_view key) const override {
        return m_catalog.Lookup("FORM", key);
    }

private:
    const TextCatalog& m_catalog;
};

// The Qt application the report's widgets need: made only when the process has none, on the
// offscreen platform unless the caller chose one, so that no display is needed.
class ReportApplication {
public:
    ReportApplication() {
        if (QCoreApplication::instance() != nullptr) {
            return;
        }
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        // Qt's notes about the environment (no runtime folder, no display) are no message of
        // this command: only its critical messages reach stderr.
        m_previous = qInstallMessageHandler(&CriticalOnly);
        m_app = std::make_unique<QApplication>(m_argc, m_argv.data());
    }
    ~ReportApplication() {
        if (m_app != nullptr) {
            m_app.reset();
            qInstallMessageHandler(m_previous);  // nullptr: Qt's own handler again
        }
    }
    ReportApplication(const ReportApplication&) = delete;
    ReportApplication& operator=(const ReportApplication&) = delete;
    // Widgets can be made: the application is a QApplication.
    bool Ready() const { return qobject_cast<QApplication*>(QCoreApplication::instance()); }

private:
    static void CriticalOnly(QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::cerr << "carecfg-cli: " << message.toStdString() << '\n';
        }
    }

    QtMessageHandler m_previous = nullptr;
    int m_argc = 1;
    std::array<char, 12> m_name{"carecfg-cli"};
    std::array<char*, 2> m_argv{m_name.data(), nullptr};
    std::unique_ptr<QApplication> m_app;
};

// The widgets of one health page that the report takes its texts and charts from, named and
// given their FORM texts as the window's page names them.
class ReportWidgets {
public:
    ReportWidgets(const HealthPage& page, const HealthRegionFacts& facts, const QString& unit,
                  const TextCatalog& catalog) {
        const CatalogForm form(catalog);
        const TextCodec codec = TextCodec::FromCatalog(catalog);
        const int columns = 2 + static_cast<int>(page.charts.size());
        for (std::size_t bank = 0; bank < m_lists.size(); ++bank) {
            m_lists[bank].setColumnCount(columns);
            Name(m_lists[bank],
                 QString::fromUtf8(facts.lists[bank].data(),
                                   static_cast<qsizetype>(facts.lists[bank].size())),
                 form, codec);
        }
        for (std::size_t i = 0; i < page.charts.size(); ++i) {
            auto& view = m_charts.emplace_back(std::make_unique<HealthChartView>());
            Name(*view, QStringLiteral("Chart%1").arg(facts.firstChart + static_cast<int>(i)), form,
                 codec);
            ShowHealthChart(*view, page, i, unit);
        }
    }

    void FillSources(HealthReportSources& sources) const {
        for (const auto& view : m_charts) {
            sources.charts.push_back(view.get());
        }
        for (std::size_t bank = 0; bank < m_lists.size(); ++bank) {
            const QTreeWidgetItem* header = m_lists[bank].headerItem();
            for (int c = 0; c < m_lists[bank].columnCount(); ++c) {
                sources.listHeaders[bank].append(header->text(c));
            }
        }
    }

private:
    static void Name(QWidget& widget, const QString& name, const FormEntries& form,
                     const TextCodec& codec) {
        widget.setObjectName(name);
        ApplyFormEntriesToComponent(Component{name, &widget, KindOfClass(&widget)}, form, codec);
    }

    std::array<QTreeWidget, 2> m_lists;
    std::vector<std::unique_ptr<HealthChartView>> m_charts;
};

}  // namespace

int WriteHealthReportFile(const std::filesystem::path& file, RegionId region,
                          const std::filesystem::path& report, const TextCatalog& catalog,
                          std::ostream& err) {
    // The figures and readings with the user's decimal separator, as the window shows them.
    const char separator = TextCatalog::UserDecimalSeparator();
    std::array<std::string, 2> labels;
    int code = kExitOk;
    const auto decoded = DecodeHealthFile(file, region, catalog, separator, labels, code, err);
    if (!decoded) {
        return code;
    }
    const HealthPage& page = *decoded;
    const HealthRegionFacts& facts = *FactsOf(region);
    const ReportApplication application;
    if (!application.Ready()) {
        err << "carecfg-cli: the report needs a Qt application with widgets\n";
        return kExitFailure;
    }
    const TextCodec codec = TextCodec::FromCatalog(catalog);
    const QString unit = QString::fromStdString(labels[page.alternativeUnit ? 1 : 0]);
    const ReportWidgets widgets(page, facts, unit, catalog);

    HealthReportSources sources;
    sources.nameKey = facts.nameKey;
    sources.text = [&catalog, &codec](const char* key) {
        return QString::fromStdString(codec.ToUtf8(catalog.MessageText(key)));
    };
    sources.decimalSeparator = separator;
    sources.unit = unit;
    widgets.FillSources(sources);
    if (!WriteHealthReport(BuildHealthReport(page, sources), report)) {
        err << "carecfg-cli: " << report.string() << ": cannot be written; no report was written\n";
        return kExitFileError;
    }
    return DecodeOutcome(page, file, "in the report", err);
}

}  // namespace carecfg
