// A benchmark main that prints, after the usual table, each figure beside its reference:
// "ours / reference = ratio" of the real time per iteration (lower is better), or of a rate
// counter such as bytes_per_second when one is named (higher is better).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kessaro::bench {

struct Ratio {
    std::string ours;       // benchmark name, as printed in the table
    std::string reference;  // benchmark name of the reference
    std::string counter;    // empty: real time per iteration; else a counter's name
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration && run.aggregate_name != "median") continue;
            Figures& f = figures_[run.run_name.str()];
            f.seconds = run.GetAdjustedRealTime();
            f.unit = benchmark::GetTimeUnitString(run.time_unit);
            for (const auto& [name, counter] : run.counters) f.counters[name] = counter.value;
        }
    }

    void print(const std::vector<Ratio>& ratios) const {
        std::printf("\n%-48s %-48s %s\n", "figure", "reference", "ratio");
        for (const Ratio& r : ratios) {
            const auto ours = find(r.ours);
            const auto reference = find(r.reference);
            if (!ours || !reference) {
                std::printf("%-48s %-48s (not run)\n", r.ours.c_str(), r.reference.c_str());
                continue;
            }
            double a = ours->seconds;
            double b = reference->seconds;
            std::string what = "time " + ours->unit;
            if (!r.counter.empty()) {
                a = value(*ours, r.counter);
                b = value(*reference, r.counter);
                what = r.counter;
            }
            std::printf("%-48s %-48s %.3f  (%s: %.4g vs %.4g)\n", r.ours.c_str(),
                        r.reference.c_str(), b != 0 ? a / b : 0.0, what.c_str(), a, b);
        }
    }

private:
    struct Figures {
        double seconds = 0;
        std::string unit;
        std::map<std::string, double> counters;
    };
    const Figures* find(const std::string& name) const {
        const auto it = figures_.find(name);
        return it == figures_.end() ? nullptr : &it->second;
    }
    static double value(const Figures& f, const std::string& counter) {
        const auto it = f.counters.find(counter);
        return it == f.counters.end() ? 0.0 : it->second;
    }
    std::map<std::string, Figures> figures_;
};

inline int run_with_ratios(int argc, char** argv, const std::vector<Ratio>& ratios) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print(ratios);
    benchmark::Shutdown();
    return 0;
}

}  // namespace kessaro::bench
