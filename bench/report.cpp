#include "bench/report.h"

#include <cstdio>
#include <numeric>

bool MedianCollector::ReportContext(const Context&) {
    return true;
}

void MedianCollector::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        const std::string name = run.run_name.function_name;
        if (run.error_occurred) {
            std::fprintf(stderr, "  %-28s FAILED: %s\n", name.c_str(), run.error_message.c_str());
            continue;
        }
        if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
            continue;
        const auto counter = run.counters.find("MiB");
        const double value =
            counter != run.counters.end() ? double(counter->second) : run.GetAdjustedRealTime();
        medians[name] = value;
        counts[name] = int(run.repetitions);
        std::fprintf(stderr, "  %-28s %10.2f %s (median of %d)\n", name.c_str(), value,
                     counter != run.counters.end() ? "MiB" : "ms", int(run.repetitions));
    }
}

std::optional<double> MedianCollector::median(const std::string& name) const {
    const auto it = medians.find(name);
    if (it == medians.end())
        return std::nullopt;
    return it->second;
}

int MedianCollector::repetitions(const std::string& name) const {
    const auto it = counts.find(name);
    return it == counts.end() ? 0 : it->second;
}

namespace {

struct Line {
    std::string operation;
    std::string document;
    std::string measured; // name of the program's measurement
    std::vector<std::string> floors;
    double limit = 0; // the target: a ratio, or milliseconds when absolute
    bool absolute = false;
    const char* unit = "ms";
};

std::string number(std::optional<double> value, const char* unit) {
    if (!value)
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %s", *value, unit);
    return text;
}

} // namespace

void printTable(const MedianCollector& results, const std::vector<TableDocument>& documents) {
    std::vector<Line> lines;
    lines.push_back({"start (window painted)", "-", "start", {"floor_start"}, 1.5});
    for (const TableDocument& d : documents) {
        const std::string k = "/" + d.key;
        const double t = d.targets ? 1 : 0;
        lines.push_back({"open",
                         d.label,
                         "open" + k,
                         {"floor_read" + k, "floor_decode" + k, "floor_show" + k},
                         1.3 * t});
        lines.push_back({"save as, new file", d.label, "save_as" + k, {"floor_save" + k}, 1.5 * t});
        lines.push_back(
            {"save after one edit", d.label, "save_edited" + k, {"floor_save" + k}, 1.5 * t});
        lines.push_back(
            {"find next, repeated", d.label, "find_repeated" + k, {"floor_find" + k}, 3 * t});
        lines.push_back(
            {"find next after an edit", d.label, "find_after_edit" + k, {"floor_find" + k}, 0});
        const double key = d.keystrokeTarget ? 16 : 0;
        lines.push_back({"keystroke at the end", d.label, "key_end" + k, {}, key, true});
        lines.push_back({"keystroke in the middle", d.label, "key_middle" + k, {}, key, true});
        lines.push_back(
            {"memory after open", d.label, "rss" + k, {"floor_rss" + k}, 1.2 * t, false, "MiB"});
        lines.push_back({"  floor: read file", d.label, "floor_read" + k, {}});
        lines.push_back({"  floor: decode", d.label, "floor_decode" + k, {}});
        lines.push_back({"  floor: setPlainText + paint", d.label, "floor_show" + k, {}});
        lines.push_back({"  floor: indexOf", d.label, "floor_find" + k, {}});
        lines.push_back({"  floor: encode + QSaveFile", d.label, "floor_save" + k, {}});
    }

    std::printf("\n%-30s %-14s %4s %13s %13s %7s  %s\n", "operation", "document", "reps", "median",
                "floor", "ratio", "target");
    std::printf("%s\n", std::string(105, '-').c_str());
    for (const Line& line : lines) {
        const auto measured = results.median(line.measured);
        std::optional<double> floor;
        for (const std::string& f : line.floors) {
            const auto part = results.median(f);
            if (!part) {
                floor.reset();
                break;
            }
            floor = floor.value_or(0) + *part;
        }
        std::string ratio = "-";
        std::optional<double> ratioValue;
        if (measured && floor && *floor > 0) {
            ratioValue = *measured / *floor;
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", *ratioValue);
            ratio = text;
        }
        std::string target;
        if (line.limit > 0) {
            char text[64];
            const std::optional<double> compared = line.absolute ? measured : ratioValue;
            std::snprintf(text, sizeof text, line.absolute ? "<= %.0f ms" : "<= %.1fx", line.limit);
            target = text;
            if (compared)
                target += *compared <= line.limit ? "  met" : "  MISSED";
        } else if (!line.floors.empty() || line.absolute) {
            target = "(none)";
        }
        const int reps = results.repetitions(line.measured);
        std::printf("%-30s %-14s %4s %13s %13s %7s  %s\n", line.operation.c_str(),
                    line.document.c_str(), reps ? std::to_string(reps).c_str() : "-",
                    number(measured, line.unit).c_str(), number(floor, line.unit).c_str(),
                    ratio.c_str(), target.c_str());
    }
    std::fflush(stdout);
}
