#pragma once

#include <benchmark/benchmark.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Keeps the median of every measurement as it comes in (and says so on
// stderr, as progress), for the one table printed at the end.
class MedianCollector : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;

    // Milliseconds, or the counter's value for a measurement with a counter.
    std::optional<double> median(const std::string& name) const;
    int repetitions(const std::string& name) const;
    // Why a measurement gave no figure; empty if it gave one or did not run.
    std::string failure(const std::string& name) const;

private:
    std::map<std::string, double> medians;
    std::map<std::string, int> counts;
    std::map<std::string, std::string> failures;
};

// A document as the table names it.
struct TableDocument {
    std::string key;   // part of the measurement names
    std::string label; // what the table shows
    // Whether memory has a target here: in small documents the window's own
    // few MiB outweigh the text, and the floor has no window.
    bool memoryTarget = false;
    // A document so large that only opening, saving and memory are measured,
    // against the floors of memory itself.
    bool large = false;
};

void printTable(const MedianCollector& results, const std::vector<TableDocument>& documents);
