// How the network designer's operations grow with the size of the network: networks
// of 100, 1,000 and 10,000 modems are built through the design model (a master and
// a four-way tree at most twelve levels deep, with repeaters, mobile modems and
// 4-digit addresses, all of type QX-450), and each operation is timed on them:
// saving and loading the project file, the address check, source and virtual route
// generation, the property-table rows, a repaint of a 1600 x 1000 view of the
// drawing and a hit test of a mouse press that hits no modem. Each time is the
// median of several runs; the last columns give its growth per 10x modems.
#include "base/hex.h"
#include "designer/designer_canvas.h"
#include "designer/figure_values.h"
#include "designer/graph_editing.h"
#include "designer/graph_renderer.h"
#include "designer/modem_type_files.h"
#include "designer/network_design.h"
#include "designer/project_file.h"
#include "designer/property_rows.h"
#include "designer/property_table.h"
#include "designer/route_generation.h"
#include "platform/program_files.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* kType = "QX-450";
constexpr int kChildren = 4;
constexpr int kDepth = 12;
// Grid cells of the drawing: each modem in a cell of its own.
constexpr int kCellWidth = 100;
constexpr int kCellHeight = 120;
const QSize kView(1600, 1000);
const std::vector<int> kSizes{100, 1000, 10000};

// Builds a network of `count` modems: the tree is filled depth first, every
// seventh modem is a repeater and every fiftieth a mobile one whose mobile link
// goes to its parent's parent.
class ScaleNetwork {
public:
    explicit ScaleNetwork(int count)
        : design(false), columns_(static_cast<int>(std::ceil(std::sqrt(count)))) {
        ModemTypeVersionReader reader(false);
        const ParameterSchema schema = ReadParameterSchema(ProgramFile(std::string(kType) + ".smf"));
        std::vector<FieldValue> defaults;
        for (const ParameterField& field : schema.fields)
            defaults.push_back(DefaultFieldValue(field));
        AddSubtree(nullptr, 0, count, reader, schema, defaults);
    }

    QSize DrawingSize() const {
        const int rows = (static_cast<int>(design.Figures().size()) + columns_ - 1) / columns_;
        return {columns_ * kCellWidth + 200, rows * kCellHeight + 100};
    }

    NetworkDesign design;

private:
    void AddSubtree(TKuvio* parent, int depth, int count, ModemTypeVersionReader& reader,
                    const ParameterSchema& schema, const std::vector<FieldValue>& defaults) {
        const int index = static_cast<int>(design.Figures().size());
        if (index >= count)
            return;
        const NewModemKind kind = parent && index % 50 == 0 ? NewModemKind::Mobile : NewModemKind::Normal;
        TKuvio& figure = design.NewModemFigure(kType, kind, 40 + index % columns_ * kCellWidth,
                                               60 + index / columns_ * kCellHeight,
                                               kind == NewModemKind::Mobile ? "M" : "N", reader);
        figure.newFigure = false;
        figure.SetModemName("Modem " + std::to_string(index));
        // Route addresses are numbers above 0.
        figure.SetTerminalAddress(IntToHex(static_cast<uint32_t>(index + 1), 4));
        figure.SetNoTerminalAddress(parent && index % 7 == 0);
        StoreFieldValues(figure, schema, defaults, {});
        if (!parent) {
            design.MakeMaster(figure);
        } else {
            figure.parent = parent;
            if (figure.Mobile())
                figure.mobileParent = parent->parent ? parent->parent : parent;
        }
        if (depth == kDepth)
            return;
        for (int child = 0; child < kChildren; ++child)
            AddSubtree(&figure, depth + 1, count, reader, schema, defaults);
    }

    int columns_;
};

using Clock = std::chrono::steady_clock;

// The median time of runs of the operation in milliseconds: at least five runs,
// more until about half a second has passed.
double MedianMilliseconds(const std::function<void()>& operation) {
    std::vector<double> times;
    const Clock::time_point start = Clock::now();
    while (times.size() < 5 ||
           (times.size() < 1000 && Clock::now() - start < std::chrono::milliseconds(500))) {
        const Clock::time_point before = Clock::now();
        operation();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

using Timings = std::map<std::string, double>;

const std::vector<std::string> kOperations{"load",
                                           "save",
                                           "address check",
                                           "source routes",
                                           "virtual routes",
                                           "property-table rows",
                                           "repaint 1600x1000",
                                           "hit test (miss)"};

Timings TimeOperations(int count, const std::string& folder) {
    ScaleNetwork network(count);
    NetworkDesign& design = network.design;
    Timings timings;
    const std::string file = folder + "/scale.spf";

    timings["save"] = MedianMilliseconds([&] { SaveProjectFile(design, file, "5.0.0", "Scale"); });
    ModemTypeVersionReader reader(false);
    NetworkDesign loaded(false);
    timings["load"] = MedianMilliseconds([&] { LoadProjectFile(loaded, file, {0, 0, &reader}); });

    RouteGenerator routes(design, nullptr);
    timings["address check"] = MedianMilliseconds([&] { routes.ValidateAddresses(); });
    design.properties.routingType = 0;
    timings["source routes"] = MedianMilliseconds([&] {
        design.routesDirty = true;
        routes.GenerateRoutes();
    });
    design.properties.routingType = 1;
    timings["virtual routes"] = MedianMilliseconds([&] {
        design.routesDirty = true;
        routes.BuildRouteTables();
    });

    const PropertyRowContext context{false, '0', "Scale"};
    // As the property table window builds them.
    timings["property-table rows"] =
        MedianMilliseconds([&] { BuildPropertyTable(design, RowsOfOneBuild(context)); });

    GraphEditor editor(design);
    DesignerCanvas canvas(editor);
    canvas.Refresh();
    canvas.resize(network.DrawingSize().expandedTo(canvas.minimumSize()));
    const QSize drawing = canvas.size();
    const QRect view(std::max(0, (drawing.width() - kView.width()) / 2),
                     std::max(0, (drawing.height() - kView.height()) / 2), kView.width(), kView.height());
    QImage image(kView, QImage::Format_ARGB32_Premultiplied);
    timings["repaint 1600x1000"] =
        MedianMilliseconds([&] { canvas.render(&image, QPoint(), QRegion(view)); });

    // Right of a picture and below its name label: no modem is there.
    const QPoint miss(view.center().x() / kCellWidth * kCellWidth + 40 + 50,
                      view.center().y() / kCellHeight * kCellHeight + 60 + 50);
    timings["hit test (miss)"] = MedianMilliseconds([&] {
        if (FigureAt(design, miss, false).figure)
            std::fprintf(stderr, "the hit test point hits a modem\n");
    });
    return timings;
}

std::string Milliseconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, value < 1.0 ? "%.3f ms" : value < 100.0 ? "%.2f ms" : "%.0f ms", value);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TempFolder folder;
    std::filesystem::copy_file(std::string(QUOVIX_DATA_DIR) + "/" + kType + ".smf",
                               folder.file(std::string(kType) + ".smf"));
    SetProgramPathForTests(folder.file("quovix"));
    MessageBoxRecorder boxes;

    std::vector<Timings> results;
    for (int count : kSizes)
        results.push_back(TimeOperations(count, folder.path().string()));

    std::printf("%-22s", "operation");
    for (int count : kSizes)
        std::printf("%14s", (std::to_string(count) + " modems").c_str());
    std::printf("   growth per 10x\n");
    for (const std::string& operation : kOperations) {
        std::printf("%-22s", operation.c_str());
        for (const Timings& timings : results)
            std::printf("%14s", Milliseconds(timings.at(operation)).c_str());
        std::printf("  ");
        for (size_t i = 1; i < results.size(); ++i)
            std::printf(" x%-6.1f", results[i].at(operation) / results[i - 1].at(operation));
        std::printf("\n");
    }
    if (boxes.count() > 0)
        std::printf("(%zu message boxes were answered; the first: %s)\n", boxes.count(),
                    boxes.texts()[0].c_str());
    return 0;
}
