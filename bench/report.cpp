#include "bench/report.h"

#include <algorithm>
#include <cstdio>
#include <utility>

bool MedianCollector::ReportContext(const Context&) {
    return true;
}

void MedianCollector::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        const std::string name = run.run_name.function_name;
        if (run.error_occurred) {
            // Every repetition fails alike as a rule: say it once.
            std::string& known = failures[name];
            if (known != run.error_message)
                std::fprintf(stderr, "  %-28s FAILED: %s\n", name.c_str(),
                             run.error_message.c_str());
            known = run.error_message;
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

std::string MedianCollector::failure(const std::string& name) const {
    const auto it = failures.find(name);
    return it == failures.end() || medians.count(name) ? std::string() : it->second;
}

namespace {

// A row of the table. Its target is at most ratio × floor + extraMs where
// ratio is set, at most absoluteMs where that is set, and none otherwise.
struct Line {
    std::string operation;
    std::string document;
    std::string measured;            // name of the program's measurement
    std::vector<std::string> floors; // the floor is their sum
    double ratio = 0;
    double extraMs = 0;
    double absoluteMs = 0;
    const char* unit = "ms";
};

Line relative(std::string operation, std::string document, std::string measured,
              std::vector<std::string> floors, double ratio, double extraMs = 0,
              const char* unit = "ms") {
    return {std::move(operation),
            std::move(document),
            std::move(measured),
            std::move(floors),
            ratio,
            extraMs,
            0,
            unit};
}

Line absolute(std::string operation, std::string document, std::string measured, double ms) {
    return {std::move(operation), std::move(document), std::move(measured), {}, 0, 0, ms};
}

// A floor, or a widget shown for comparison: a figure without a target.
Line plain(std::string operation, std::string document, std::string measured,
           const char* unit = "ms") {
    return {std::move(operation), std::move(document), std::move(measured), {}, 0, 0, 0, unit};
}

std::string number(std::optional<double> value, const char* unit) {
    if (!value)
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %s", *value, unit);
    return text;
}

std::string target(const Line& line, std::optional<double> measured, std::optional<double> floor) {
    char text[64];
    std::optional<double> limit;
    if (line.ratio > 0) {
        if (line.extraMs > 0)
            std::snprintf(text, sizeof text, "<= %gx + %g %s", line.ratio, line.extraMs, line.unit);
        else
            std::snprintf(text, sizeof text, "<= %gx", line.ratio);
        if (floor)
            limit = line.ratio * *floor + line.extraMs;
    } else if (line.absoluteMs > 0) {
        std::snprintf(text, sizeof text, "<= %g ms", line.absoluteMs);
        limit = line.absoluteMs;
    } else {
        return {};
    }
    std::string shown = text;
    if (measured && limit)
        shown += *measured <= *limit ? "  met" : "  MISSED";
    return shown;
}

std::vector<Line> tableLines(const std::vector<TableDocument>& documents) {
    std::vector<Line> lines;
    lines.push_back(relative("start (window painted)", "-", "start", {"floor_start"}, 1.5));
    for (const TableDocument& d : documents) {
        const std::string k = "/" + d.key;
        const std::string& l = d.label;
        const std::vector<std::string> save = {"floor_save" + k};
        const std::vector<std::string> find = {"floor_find" + k};
        if (d.large)
            lines.push_back(relative("open", l, "open" + k, {"floor_read" + k}, 1.2));
        else
            lines.push_back(
                relative("open", l, "open" + k, {"floor_read" + k, "floor_decode" + k}, 2, 30));
        lines.push_back(relative("save as, new file", l, "save_as" + k, save, 1.3));
        if (d.large)
            lines.push_back(relative("save as, against writing the same bytes", l, "save_as" + k,
                                     {"floor_write" + k}, 1.1));
        lines.push_back(
            relative("save after one edit at the end", l, "save_edit_end" + k, save, 1.3));
        lines.push_back(
            relative("save after one edit at the start", l, "save_edit_start" + k, save, 1.3));
        if (!d.large) {
            lines.push_back(relative("find next, repeated", l, "find_repeated" + k, find, 1.2));
            lines.push_back(
                relative("find next after an edit", l, "find_after_edit" + k, find, 1.2));
            lines.push_back(absolute("keystroke at the end", l, "type_end" + k, 16));
            lines.push_back(absolute("keystroke in the middle", l, "type_middle" + k, 16));
            lines.push_back(absolute("keystroke after a find next", l, "type_after_find" + k, 16));
            lines.push_back(absolute("keystroke after a save", l, "type_after_save" + k, 16));
            lines.push_back(absolute("Home, from the end of the line", l, "home" + k, 16));
            lines.push_back(absolute("End, from the start of the line", l, "end" + k, 16));
            lines.push_back(absolute("a page of horizontal scrolling", l, "page_right" + k, 16));
        }
        if (d.memoryTarget && !d.large) {
            lines.push_back(plain("first keystroke outside the code page", l, "type_outside" + k));
            lines.push_back(absolute("keystroke after one outside the code page", l,
                                     "type_after_outside" + k, 16));
        }
        // Memory's target: 1.1 x the file + 8 bytes a line (the allowance) + 40 MiB.
        const std::vector<std::string> allowed = {"allowance" + k};
        lines.push_back(d.memoryTarget
                            ? relative("memory after open", l, "rss" + k, allowed, 1, 40, "MiB")
                            : plain("memory after open", l, "rss" + k, "MiB"));
        if (d.memoryTarget) {
            lines.push_back(
                relative("peak memory while opening", l, "peak_open" + k, allowed, 1, 40, "MiB"));
            lines.push_back(
                relative("peak memory while saving", l, "peak_save" + k, allowed, 1, 40, "MiB"));
            lines.push_back(relative("memory after a save (floor: after open)", l, "rss_save" + k,
                                     {"rss" + k}, 1.05, 0, "MiB"));
        }
        lines.push_back(plain("  floor: read file into fresh memory", l, "floor_read" + k));
        if (!d.large) {
            lines.push_back(plain("  floor: decode", l, "floor_decode" + k));
            lines.push_back(plain("  floor: byte search (memmem)", l, "floor_find" + k));
        }
        lines.push_back(plain("  floor: encode + write + syncs", l, "floor_save" + k));
        if (d.large)
            lines.push_back(plain("  floor: write + syncs", l, "floor_write" + k));
        if (d.memoryTarget)
            lines.push_back(
                plain("  floor: 1.1 x the file + 8 bytes a line", l, "allowance" + k, "MiB"));
        lines.push_back(
            plain("  process holding the text as a QString", l, "floor_rss" + k, "MiB"));
        if (!d.large) {
            lines.push_back(plain("  QPlainTextEdit setPlainText + paint", l, "plain_show" + k));
            lines.push_back(plain("  QPlainTextEdit memory", l, "plain_rss" + k, "MiB"));
        }
    }
    return lines;
}

} // namespace

void printTable(const MedianCollector& results, const std::vector<TableDocument>& documents) {
    const std::vector<Line> lines = tableLines(documents);
    int width = 0;
    for (const Line& line : lines)
        width = std::max(width, int(line.operation.size()));
    std::printf("\n%-*s %-14s %4s %13s %13s %7s  %s\n", width, "operation", "document", "reps",
                "median", "floor", "ratio", "target");
    std::printf("%s\n", std::string(width + 80, '-').c_str());
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
        if (measured && floor && *floor > 0) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", *measured / *floor);
            ratio = text;
        }
        const int reps = results.repetitions(line.measured);
        const std::string failure = results.failure(line.measured);
        std::printf("%-*s %-14s %4s %13s %13s %7s  %s\n", width, line.operation.c_str(),
                    line.document.c_str(), reps ? std::to_string(reps).c_str() : "-",
                    number(measured, line.unit).c_str(), number(floor, line.unit).c_str(),
                    ratio.c_str(),
                    failure.empty() ? target(line, measured, floor).c_str()
                                    : ("not measured: " + failure).c_str());
    }
    std::fflush(stdout);
}
