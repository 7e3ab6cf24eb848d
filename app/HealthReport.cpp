#include "app/HealthReport.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>
#include <functional>
#include <span>

#include "app/HealthChartView.h"
#include "base/AtomicFile.h"

namespace carecfg {

namespace {

constexpr double kPageMarginMm = 15.0;
constexpr double kTitlePoints = 16.0;
constexpr double kHeadingPoints = 12.0;
constexpr double kTextPoints = 9.5;
constexpr double kTablePoints = 9.0;
constexpr double kSmallestTablePoints = 6.0;
constexpr double kFooterPoints = 8.0;
constexpr double kCellPadding = 4.0;
constexpr double kRowSpacing = 1.5;     // a row is this many text heights
constexpr double kChartAspect = 0.36;   // chart height to width
constexpr double kSectionSpace = 14.0;  // above a heading, in device units

QFont Font(double points, bool bold = false) {
    QFont font;
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// A piece of the report of a fixed height that draws itself into the rectangle it is given.
struct Block {
    double height = 0.0;
    std::function<void(QPainter&, const QRectF&)> draw;
    int header = -1;            // the block repeated at the top of a page this block opens
    bool keepWithNext = false;  // never the last block of a page (headings)
    bool space = false;         // dropped at the top of a page
};

// Values that read as numbers, with or without a unit after them, are aligned right.
bool IsNumberColumn(const HealthReportTable& table, int column) {
    bool any = false;
    for (const QStringList& row : table.rows) {
        if (column >= row.size() || row[column].isEmpty()) {
            continue;
        }
        QString text = row[column].section(QLatin1Char(' '), 0, 0);
        text.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        text.toDouble(&ok);
        if (!ok) {
            return false;
        }
        any = true;
    }
    return any;
}

// Lays the report out as blocks over the width of a page, measured on the device that draws it.
class ReportLayout {
public:
    ReportLayout(QPaintDevice& device, double width) : m_device(device), m_width(width) {}

    void AddText(const QString& text, const QFont& font) {
        const QFontMetricsF metrics(font, &m_device);
        const QRectF bounds =
            metrics.boundingRect(QRectF(0, 0, m_width, 1.0e6), Qt::TextWordWrap, text);
        Block block;
        block.height = bounds.height() + metrics.height() * 0.3;
        block.draw = [text, font](QPainter& painter, const QRectF& rect) {
            painter.setFont(font);
            painter.drawText(rect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
        };
        m_blocks.push_back(std::move(block));
    }

    void AddSpace(double height) {
        Block block;
        block.height = height;
        block.draw = [](QPainter&, const QRectF&) {};
        block.space = true;
        m_blocks.push_back(std::move(block));
    }

    void AddHeading(const QString& text) {
        AddSpace(kSectionSpace);
        AddText(text, Font(kHeadingPoints, true));
        m_blocks.back().keepWithNext = true;
    }

    void AddTable(const HealthReportTable& table) {
        const int columns = static_cast<int>(table.header.size());
        if (columns == 0) {
            return;
        }
        // The largest type, from the usual size down, in which every column fits its texts.
        double points = kTablePoints;
        std::vector<double> widths;
        for (;; points -= 0.5) {
            widths = NaturalWidths(table, points);
            double total = 0.0;
            for (const double w : widths) {
                total += w;
            }
            if (total <= m_width || points <= kSmallestTablePoints) {
                // The room left is shared out in proportion; a table still too wide shrinks.
                const double scale = m_width / total;
                for (double& w : widths) {
                    w *= scale;
                }
                break;
            }
        }
        std::vector<bool> numbers(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            numbers[static_cast<std::size_t>(c)] = IsNumberColumn(table, c);
        }
        const QFont bodyFont = Font(points);
        const QFont headerFont = Font(points, true);
        const double rowHeight = QFontMetricsF(headerFont, &m_device).height() * kRowSpacing;

        auto rowBlock = [=](const QStringList& cells, bool header) {
            Block block;
            block.height = rowHeight;
            block.draw = [=](QPainter& painter, const QRectF& rect) {
                if (header) {
                    painter.fillRect(rect, QColor(0xe8, 0xec, 0xf0));
                }
                painter.setFont(header ? headerFont : bodyFont);
                painter.setPen(QColor(0xb0, 0xb8, 0xc0));
                painter.drawLine(rect.bottomLeft(), rect.bottomRight());
                painter.setPen(Qt::black);
                double x = rect.left();
                for (int c = 0; c < columns; ++c) {
                    const double w = widths[static_cast<std::size_t>(c)];
                    const QRectF cell(x + kCellPadding, rect.top(), w - 2 * kCellPadding,
                                      rect.height());
                    const Qt::Alignment align =
                        (numbers[static_cast<std::size_t>(c)] ? Qt::AlignRight : Qt::AlignLeft) |
                        Qt::AlignVCenter;
                    painter.drawText(cell, align, c < cells.size() ? cells[c] : QString());
                    x += w;
                }
            };
            return block;
        };
        const int header = static_cast<int>(m_blocks.size());
        m_blocks.push_back(rowBlock(table.header, true));
        m_blocks.back().keepWithNext = true;
        for (const QStringList& row : table.rows) {
            m_blocks.push_back(rowBlock(row, false));
            m_blocks.back().header = header;
        }
    }

    void AddChart(const HealthChartView& chart) {
        Block block;
        block.height = m_width * kChartAspect + kSectionSpace / 2;
        const double chartHeight = m_width * kChartAspect;
        block.draw = [&chart, chartHeight](QPainter& painter, const QRectF& rect) {
            chart.Render(painter, QRectF(rect.topLeft(), QSizeF(rect.width(), chartHeight)), true);
        };
        m_blocks.push_back(std::move(block));
    }

    // The blocks of each page with their places from the top of the page's text area.
    struct Placed {
        const Block* block;
        double top;
    };
    std::vector<std::vector<Placed>> Paginate(double pageHeight) const {
        std::vector<std::vector<Placed>> pages(1);
        double y = 0.0;
        for (std::size_t i = 0; i < m_blocks.size(); ++i) {
            const Block& block = m_blocks[i];
            if (block.space && y == 0.0) {
                continue;
            }
            double needed = block.height;
            if (block.keepWithNext && i + 1 < m_blocks.size()) {
                needed += m_blocks[i + 1].height;
            }
            if (y > 0.0 && y + needed > pageHeight) {
                pages.emplace_back();
                y = 0.0;
                if (block.space) {
                    continue;
                }
                if (block.header >= 0) {
                    const Block& header = m_blocks[static_cast<std::size_t>(block.header)];
                    pages.back().push_back({&header, y});
                    y += header.height;
                }
            }
            pages.back().push_back({&block, y});
            y += block.height;
        }
        return pages;
    }

private:
    std::vector<double> NaturalWidths(const HealthReportTable& table, double points) const {
        const QFontMetricsF body(Font(points), &m_device);
        const QFontMetricsF header(Font(points, true), &m_device);
        std::vector<double> widths;
        for (int c = 0; c < table.header.size(); ++c) {
            double w = header.horizontalAdvance(table.header[c]);
            for (const QStringList& row : table.rows) {
                if (c < row.size()) {
                    w = std::max(w, body.horizontalAdvance(row[c]));
                }
            }
            widths.push_back(w + 2 * kCellPadding + 2.0);
        }
        return widths;
    }

    QPaintDevice& m_device;
    double m_width;
    std::vector<Block> m_blocks;
};

// The resolution the charts were laid out in, so that their texts come out as on the screen.
int LayoutResolution() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen != nullptr ? qRound(screen->logicalDotsPerInchY()) : 96;
    return dpi > 0 ? dpi : 96;
}

void AddSection(ReportLayout& layout, const HealthReportSection& section) {
    layout.AddHeading(section.heading);
    if (section.table.rows.empty()) {
        layout.AddText(section.emptyText, Font(kTextPoints));
    } else {
        layout.AddTable(section.table);
    }
}

}  // namespace

QString FillPlaceholders(QString pattern, const QStringList& values) {
    static const QRegularExpression place(QStringLiteral("%[1-9]"));
    for (const QString& value : values) {
        if (!pattern.contains(place)) {
            break;
        }
        pattern = pattern.arg(value);
    }
    return pattern;
}

QByteArray HealthReportPdf(const HealthReportContent& content) {
    QBuffer buffer;
    if (!buffer.open(QIODevice::WriteOnly)) {
        return {};
    }
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(kPageMarginMm, kPageMarginMm, kPageMarginMm, kPageMarginMm),
                              QPageLayout::Millimeter);
        writer.setResolution(LayoutResolution());
        writer.setTitle(content.title);
        writer.setCreator(QStringLiteral("carecfg"));

        QPainter painter;
        if (!painter.begin(&writer)) {
            return {};
        }
        const double width = writer.width();
        const QFont footerFont = Font(kFooterPoints);
        const double footerHeight = QFontMetricsF(footerFont, &writer).height() * 2.0;
        const double textHeight = writer.height() - footerHeight;

        ReportLayout layout(writer, width);
        layout.AddText(content.title, Font(kTitlePoints, true));
        for (const QString& line : content.introduction) {
            layout.AddText(line, Font(kTextPoints));
        }
        AddSection(layout, content.summary);
        if (!content.charts.empty()) {
            layout.AddHeading(content.chartsHeading);
            for (const HealthChartView* chart : content.charts) {
                layout.AddChart(*chart);
            }
        }
        for (const HealthReportSection& section : content.readings) {
            AddSection(layout, section);
        }

        const auto pages = layout.Paginate(textHeight);
        for (std::size_t p = 0; p < pages.size(); ++p) {
            if (p > 0 && !writer.newPage()) {
                return {};
            }
            for (const ReportLayout::Placed& placed : pages[p]) {
                placed.block->draw(painter, QRectF(0.0, placed.top, width, placed.block->height));
            }
            painter.setFont(footerFont);
            painter.setPen(Qt::darkGray);
            const QRectF footer(0.0, writer.height() - footerHeight / 2, width, footerHeight / 2);
            painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter, content.title);
            painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter,
                             FillPlaceholders(content.pageNumber, {QString::number(p + 1),
                                                                   QString::number(pages.size())}));
            painter.setPen(Qt::black);
        }
        if (!painter.end()) {
            return {};
        }
    }
    return buffer.data();
}

bool WriteHealthReport(const HealthReportContent& content, const std::filesystem::path& path) {
    const QByteArray pdf = HealthReportPdf(content);
    if (pdf.isEmpty()) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pdf.constData());
    return WriteFileAtomically(
        path, std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(pdf.size())));
}

}  // namespace carecfg
