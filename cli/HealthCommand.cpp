#include "cli/HealthCommand.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Csv.h"
#include "cli/CliArguments.h"
#include "cli/HealthFile.h"
#include "health/HealthLayout.h"
#include "health/HealthNumbers.h"
#include "health/HealthTime.h"
#include "text/TextCodec.h"

namespace carecfg {

namespace {

constexpr HealthRegionFacts kFacts[] = {
    {RegionId::BloodPressure,
     {"ListView7", "ListView8"},
     {"No.", "Date and time", "Systolic", "Diastolic", "Pulse"},
     1,
     "HealthBloodName"},
    {RegionId::Glucose,
     {"ListView9", "ListView10"},
     {"No.", "Date and time", "Glucose", "", ""},
     4,
     "HealthGlucoseName"},
    {RegionId::Weight,
     {"ListView11", "ListView12"},
     {"No.", "Date and time", "Weight", "", ""},
     5,
     "HealthWeightName"},
};

}  // namespace

const HealthRegionFacts* FactsOf(RegionId region) {
    for (const HealthRegionFacts& facts : kFacts) {
        if (facts.region == region) {
            return &facts;
        }
    }
    return nullptr;
}

namespace {

// The memory image holding the region: an image file as it is, a region file at the region's
// address; nullopt with the reason printed for any other file.
std::optional<DeviceImage> LoadRegion(const std::filesystem::path& file, RegionId region,
                                      std::ostream& err) {
    const ImageRegion& where = Region(region);
    std::string why;
    const auto content = ReadSmallFile(file, kImageSize, &why);
    if (!content) {
        err << "carecfg-cli: " << file.string() << ": cannot be read: " << why << '\n';
        return std::nullopt;
    }
    const std::span<const std::uint8_t> bytes(
        reinterpret_cast<const std::uint8_t*>(content->data()), content->size());
    DeviceImage image;
    if (bytes.size() == kImageSize) {
        image.StoreBlock(0, bytes);
    } else if (bytes.size() == where.size) {
        image.StoreBlock(where.start, bytes);
    } else {
        err << "carecfg-cli: " << file.string() << ": " << bytes.size()
            << " bytes, neither an image file (" << kImageSize << " bytes) nor a region file ("
            << where.size << " bytes)\n";
        return std::nullopt;
    }
    return image;
}

// Item 0 and item 1 of the region's unit selector in the skin, in UTF-8.
std::array<std::string, 2> UnitLabels(const HealthRegionLayout& layout, const TextCatalog& catalog,
                                      const TextCodec& codec) {
    const std::string items =
        catalog.FormText(std::string(layout.unitSelector) + ".Items.Text", "");
    std::array<std::string, 2> labels;
    std::size_t begin = 0;
    for (std::string& label : labels) {
        if (begin > items.size()) {
            break;
        }
        const std::size_t end = std::min(items.find('|', begin), items.size());
        label = codec.ToUtf8(std::string_view(items).substr(begin, end - begin));
        begin = end + 1;
    }
    return labels;
}

std::string HealthCsv(const HealthPage& page, const HealthRegionFacts& facts,
                      std::size_t quantities, const TextCatalog& catalog, const TextCodec& codec) {
    std::vector<std::string> header = {
        codec.ToUtf8(catalog.Lookup("MESSAGE", "HealthBank").value_or("Bank"))};
    for (std::size_t column = 0; column < 2 + quantities; ++column) {
        const std::string key =
            std::string(facts.lists[0]) + ".Columns[" + std::to_string(column) + "].Caption";
        header.push_back(codec.ToUtf8(catalog.FormText(key, facts.captions[column])));
    }
    std::vector<std::vector<std::string>> rows;
    for (std::size_t bank = 0; bank < page.banks.size(); ++bank) {
        for (const HealthRow& row : page.banks[bank]) {
            // The row a time text stopped the decode at holds only that text: it is no reading.
            if (!ParseHealthTimeText(row.time)) {
                continue;
            }
            std::vector<std::string>& fields = rows.emplace_back();
            fields = {std::to_string(bank + 1), row.number, row.time};
            fields.insert(fields.end(), row.values.begin(), row.values.end());
        }
    }
    return CsvDocument(header, rows);
}

nlohmann::json Pair(double first, double second) {
    return nlohmann::json::array({first, second});
}

// A range the widget fits to the points itself has no fixed ends: null.
nlohmann::json AxisJson(const HealthAxis& axis) {
    return axis.automatic ? nlohmann::json(nullptr) : Pair(axis.range.minimum, axis.range.maximum);
}

nlohmann::json SeriesJson(const std::vector<HealthPoint>& points) {
    nlohmann::json list = nlohmann::json::array();
    for (const HealthPoint& point : SortedByTime(points)) {
        list.push_back(Pair(point.time, point.value));
    }
    return list;
}

nlohmann::json HealthChartsJson(const HealthPage& page, const HealthRegionFacts& facts) {
    nlohmann::json charts = nlohmann::json::object();
    for (std::size_t i = 0; i < page.charts.size(); ++i) {
        const HealthChartModel& model = page.charts[i].model;
        charts["Chart" + std::to_string(facts.firstChart + static_cast<int>(i))] = {
            {"timeWindow", AxisJson(model.timeAxis)},
            {"valueRange", AxisJson(model.valueAxis)},
            {"scrollMaximum", model.scroll.maximum},
            {"series",
             {{"bank1", SeriesJson(model.series[kBank1Series])},
              {"bank2", SeriesJson(model.series[kBank2Series])},
              {"highLine", SeriesJson(model.series[kHighLineSeries])},
              {"lowLine", SeriesJson(model.series[kLowLineSeries])}}},
        };
    }
    return charts;
}

// The time text that stopped the decode, as the first row of a bank that does not parse.
std::string StoppingTimeText(const HealthPage& page) {
    for (const std::vector<HealthRow>& rows : page.banks) {
        for (const HealthRow& row : rows) {
            if (!ParseHealthTimeText(row.time)) {
                return row.time;
            }
        }
    }
    return {};
}

}  // namespace

// The decoded page of the file, or nullopt with the reason printed and the exit code set.
std::optional<HealthPage> DecodeHealthFile(const std::filesystem::path& file, RegionId region,
                                           const TextCatalog& catalog, char separator,
                                           std::array<std::string, 2>& labels, int& code,
                                           std::ostream& err) {
    const HealthRegionLayout* layout = HealthLayoutOf(region);
    if (layout == nullptr || FactsOf(region) == nullptr) {
        err << "carecfg-cli: no health region\n";
        code = kExitUsage;
        return std::nullopt;
    }
    const auto image = LoadRegion(file, region, err);
    if (!image) {
        code = kExitFileError;
        return std::nullopt;
    }
    const TextCodec codec = TextCodec::FromCatalog(catalog);
    labels = UnitLabels(*layout, catalog, codec);
    const CatalogHealthNumbers numbers(catalog);
    const HealthSources sources{labels, numbers, separator};
    HealthPage page = DecodeHealthRegion(*image, region, sources);
    if (page.status == HealthDecodeStatus::NotHealthRegion ||
        page.status == HealthDecodeStatus::OutOfMemory) {
        err << "carecfg-cli: the health readings could not be decoded\n";
        code = kExitFailure;
        return std::nullopt;
    }
    return page;
}

// The exit code after the output of a decoded page, with the reason of a partial decode.
int DecodeOutcome(const HealthPage& page, const std::filesystem::path& file, const char* done,
                  std::ostream& err) {
    switch (page.status) {
        case HealthDecodeStatus::BadTimeText:
            err << "carecfg-cli: " << file.string() << ": the time text '" << StoppingTimeText(page)
                << "' is no date and time; decoding stopped there, the readings before it are "
                << done << "\n";
            return kExitFileError;
        case HealthDecodeStatus::BadValueRange:
            err << "carecfg-cli: a chart's value range from skin.ini (MESSAGE) has its minimum "
                   "above its maximum; that chart fits its points itself\n";
            return kExitFailure;
        default:
            return kExitOk;
    }
}

int ShowHealthFile(const std::filesystem::path& file, RegionId region, bool chart,
                   const TextCatalog& catalog, std::ostream& out, std::ostream& err) {
    std::array<std::string, 2> labels;
    int code = kExitOk;
    const auto decoded = DecodeHealthFile(file, region, catalog, '.', labels, code, err);
    if (!decoded) {
        return code;
    }
    const HealthPage& page = *decoded;
    const HealthRegionFacts& facts = *FactsOf(region);
    const TextCodec codec = TextCodec::FromCatalog(catalog);

    if (chart) {
        out << HealthChartsJson(page, facts)
                   .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
            << '\n';
    } else {
        out << HealthCsv(page, facts, page.charts.size(), catalog, codec);
    }
    out << std::flush;

    return DecodeOutcome(page, file, "printed", err);
}

}  // namespace carecfg
