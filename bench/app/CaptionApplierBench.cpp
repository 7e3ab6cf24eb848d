// The caption applier over 1500 registered widgets on a shown window (offscreen platform), half
// of them drop-down lists with item keys: time from the call until `done`. Once with a catalogue
// that checks the file at every lookup, once with one that answers a burst from its cache
// (SetRecheckInterval); the ratio of the medians is the figure to read.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/CaptionApplier.h"
#include "app/ComponentRegistry.h"
#include "text/TextCatalog.h"
#include "text/TextCodec.h"

namespace carecfg {
namespace {

constexpr int kComponents = 1500;

// The window, its registry and a skin.ini naming every property the applier reads.
class Fixture {
public:
    Fixture() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "carecfg-captionbench-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data());
        std::string skin = "[FORM]\nfrm_mainset.caption=Care unit configuration\n";
        for (int i = 0; i < kComponents; ++i) {
            const std::string n = std::to_string(i);
            QWidget* widget = nullptr;
            std::string name;
            if (i % 2 == 0) {
                name = "ComboBox" + n;
                auto* box = m_registry.Add(new QComboBox(&m_window), QString::fromStdString(name));
                box->addItems({QStringLiteral("placeholder")});
                if (i % 6 == 0) {
                    skin += name + ".Items.Textmin=0\n" + name + ".Items.Textmax=59\n";
                } else {
                    skin += name + ".Items.Text=Off|Door|Window|Motion|Smoke|Water|Panic\n";
                }
                skin += name + ".text=Off\n" + name + ".Items.TextX=Off\n";
                widget = box;
            } else if (i % 8 == 1) {
                name = "Edit" + n;
                widget = m_registry.Add(new QLineEdit(&m_window), QString::fromStdString(name));
                skin += name + ".Text=0000\n";
            } else {
                const int kind = i % 3;
                name = (kind == 0 ? "Label" : kind == 1 ? "CheckBox" : "Button") + n;
                const QString qname = QString::fromStdString(name);
                if (kind == 0) {
                    widget = m_registry.Add(new QLabel(&m_window), qname);
                } else if (kind == 1) {
                    widget = m_registry.Add(new QCheckBox(&m_window), qname);
                } else {
                    widget = m_registry.Add(new QPushButton(&m_window), qname);
                }
                skin += name + ".Caption=Caption of component " + n + "\n";
            }
            skin += name + ".Hint=What component " + n + " is for\n" + name + ".ShowHint=1\n";
            widget->setGeometry((i % 30) * 60, (i / 30) * 18, 58, 16);
        }
        std::ofstream(m_folder / "skin.ini", std::ios::binary) << skin;
        m_window.resize(1800, 920);
        m_window.show();
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }

    // Seconds from the call until `done`.
    double ApplyOnce(const TextCatalog& catalog) {
        QEventLoop loop;
        const auto start = std::chrono::steady_clock::now();
        ApplyCatalogToForm(m_window, m_registry, catalog, m_codec, [&loop] { loop.quit(); });
        loop.exec();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    std::filesystem::path SkinPath() const { return m_folder / "skin.ini"; }

private:
    std::filesystem::path m_folder;
    QWidget m_window;
    ComponentRegistry m_registry;
    TextCodec m_codec;
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

void BM_ApplyCatalog(benchmark::State& state) {
    Fixture& fixture = TheFixture();
    TextCatalog catalog(fixture.SkinPath());
    if (state.range(0) != 0) {
        catalog.SetRecheckInterval(std::chrono::seconds(1));
    }
    for (auto _ : state) {
        state.SetIterationTime(fixture.ApplyOnce(catalog));
    }
}
BENCHMARK(BM_ApplyCatalog)
    ->ArgName("cached")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace carecfg

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
