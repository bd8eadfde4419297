#pragma once

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

// Prints the usual table, then one summary row per case from three of its
// counters: the case's own figure, its paired baseline and their ratio
// (medians when runs are repeated). Cases without the ratio counter are
// left out of the summary.
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
        int decimals; // for the two figures
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
            rows[run.run_name.function_name] = {value->second.value, base->second.value,
                                                ratio->second.value};
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        if (rows.empty()) return;
        std::printf("\n%-34s %12s %12s %10s\n", columns.title, columns.valueHeading,
                    columns.baseHeading, columns.ratioHeading);
        for (const auto& [name, row] : rows)
            std::printf("%-34s %12.*f %12.*f %10.3f\n", name.c_str(), columns.decimals, row.value,
                        columns.decimals, row.base, row.ratio);
    }

private:
    struct Row {
        double value, base, ratio;
    };
    Columns columns;
    std::map<std::string, Row> rows;
};
