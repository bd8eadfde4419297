#pragma once

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

// Prints the usual table, then one summary row per case from three of its
// counters: the case's own figure, its paired baseline and their ratio
// (medians when runs are repeated), and optionally a second baseline and
// ratio. Cases without the ratio counter are left out of the summary.
class PairedRatioReporter : public benchmark::ConsoleReporter {
public:
    struct Columns {
        const char* title;        // heading of the name column
        const char* valueCounter; // counter and heading of the case's figure
        const char* valueHeading;
        const char* baseCounter; // counter and heading of the baseline
        const char* baseHeading;
        const char* ratioCounter; // counter and heading of the ratio
        const char* ratioHeading;
        int decimals; // for the figures
        // An optional second baseline and ratio, shown where a case has them.
        const char* secondBaseCounter = nullptr;
        const char* secondBaseHeading = nullptr;
        const char* secondRatioCounter = nullptr;
        const char* secondRatioHeading = nullptr;
    };

    explicit PairedRatioReporter(const Columns& columns_)
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular), columns(columns_) {
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const auto ratio = run.counters.find(columns.ratioCounter);
            const auto value = run.counters.find(columns.valueCounter);
            const auto base = run.counters.find(columns.baseCounter);
            if (run.error_occurred || !(single || median) || ratio == run.counters.end() ||
                value == run.counters.end() || base == run.counters.end())
                continue;
            Row row{value->second.value, base->second.value, ratio->second.value, -1.0, -1.0};
            if (columns.secondBaseCounter) {
                const auto secondBase = run.counters.find(columns.secondBaseCounter);
                const auto secondRatio = run.counters.find(columns.secondRatioCounter);
                if (secondBase != run.counters.end() && secondRatio != run.counters.end()) {
                    row.secondBase = secondBase->second.value;
                    row.secondRatio = secondRatio->second.value;
                }
            }
            rows[run.run_name.function_name] = row;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        if (rows.empty()) return;
        std::printf("\n%-34s %12s %12s %10s", columns.title, columns.valueHeading,
                    columns.baseHeading, columns.ratioHeading);
        if (columns.secondBaseCounter)
            std::printf(" %12s %12s", columns.secondBaseHeading, columns.secondRatioHeading);
        std::printf("\n");
        for (const auto& [name, row] : rows) {
            std::printf("%-34s %12.*f %12.*f %10.3f", name.c_str(), columns.decimals, row.value,
                        columns.decimals, row.base, row.ratio);
            if (row.secondRatio >= 0.0)
                std::printf(" %12.*f %12.3f", columns.decimals, row.secondBase, row.secondRatio);
            std::printf("\n");
        }
    }

private:
    struct Row {
        double value, base, ratio;
        double secondBase, secondRatio; // negative when the case has none
    };
    Columns columns;
    std::map<std::string, Row> rows;
};
