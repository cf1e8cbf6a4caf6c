// JsonDoc::parse of generated search replies beside Duktape's bare JSON.parse of the same text
// (time and peak memory), and the cost of one JsonDoc::get_text near the start and near the end
// of a 100,000-element reply. The references call Duktape directly: they are what the document
// layer is measured against, not part of it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bench/bench_ratios.hpp"
#include "core/text_ops.hpp"
#include "duktape.h"
#include "encoding/code_page.hpp"
#include "json/json_doc.hpp"

namespace {

using kessaro::JsonDoc;
using kessaro::Text;

// {"data":{"list":[{"id":1,"tag":"风景","url":"http://127.0.0.1:8642/p/1.png"},...]}} in UTF-8.
std::string search_reply(int count) {
    std::string json = R"({"data":{"list":[)";
    for (int k = 1; k <= count; ++k) {
        if (k > 1)
            json += ',';
        json += R"({"id":)" + std::to_string(k) +
                R"(,"tag":"风景","url":"http://127.0.0.1:8642/p/)" + std::to_string(k) +
                R"(.png"})";
    }
    return json + "]}}";
}

long status_kib(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0)
            return std::stol(line.substr(length + 1));
    }
    return 0;
}

// Peak memory is measured in a fresh process (this program run with "--peak WHAT COUNT"): in the
// benchmark process, memory freed by earlier runs stays resident and would be reused unseen. The
// figure is the growth of the resident set from just before the parse to its high-water mark.
double peak_growth_mb(const char* what, int64_t count) {
    // Resolved here: inside the shell that popen starts, /proc/self/exe is the shell.
    char program[4096] = {};
    if (readlink("/proc/self/exe", program, sizeof program - 1) <= 0)
        return -1;
    const std::string command =
        std::string(program) + " --peak " + std::string(what) + " " + std::to_string(count);
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr)
        return -1;
    double growth = -1;
    if (std::fscanf(child, "%lf", &growth) != 1)
        growth = -1;
    pclose(child);
    return growth;
}

bool bare_json_parse(const std::string& json);

int measure_peak(const std::string& what, int count) {
    const std::string reply = search_reply(count);
    const Text reply_936 = kessaro::utf8_to_ansi(Text(reply));
    JsonDoc doc;  // an engine exists before the parse, as in the tool
    const long before = status_kib("VmRSS:");
    const bool loaded = what == "ours" ? doc.parse(reply_936) : bare_json_parse(reply);
    std::printf("%.1f\n",
                loaded ? static_cast<double>(status_kib("VmHWM:") - before) / 1024.0 : -1);
    return 0;
}

void BM_JsonDocParse(benchmark::State& state) {
    const Text reply = kessaro::utf8_to_ansi(Text(search_reply(static_cast<int>(state.range(0)))));
    JsonDoc doc;
    for (auto _ : state) {
        if (!doc.parse(reply))
            state.SkipWithError("parse failed");
    }
    state.counters["peak_MB"] = peak_growth_mb("ours", state.range(0));
}
BENCHMARK(BM_JsonDocParse)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A heap of its own per parse, as JsonDoc::parse re-creates its engine (and frees the old one).
bool bare_json_parse(const std::string& json) {
    duk_context* context = duk_create_heap_default();
    if (context == nullptr)
        return false;
    duk_push_lstring(context, json.data(), json.size());
    const bool parsed = duk_safe_call(
                            context,
                            [](duk_context* c, void*) -> duk_ret_t {
                                duk_json_decode(c, -1);
                                return 1;
                            },
                            nullptr, 1, 1) == DUK_EXEC_SUCCESS;
    duk_destroy_heap(context);
    return parsed;
}

void BM_DuktapeJsonParse(benchmark::State& state) {
    const std::string reply = search_reply(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (!bare_json_parse(reply))
            state.SkipWithError("parse failed");
    }
    state.counters["peak_MB"] = peak_growth_mb("bare", state.range(0));
}
BENCHMARK(BM_DuktapeJsonParse)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One read as the collect workflow makes it, at element k of a 100,000-element reply.
void BM_GetText(benchmark::State& state) {
    static const Text reply = kessaro::utf8_to_ansi(Text(search_reply(100000)));
    JsonDoc doc;
    doc.parse(reply);
    const Text path =
        "data.list[" + kessaro::int_to_text(static_cast<int32_t>(state.range(0))) + "].url";
    for (auto _ : state) {
        if (doc.get_text(path).empty())
            state.SkipWithError("empty url");
    }
}
BENCHMARK(BM_GetText)->Arg(5)->Arg(99995)->Unit(benchmark::kMicrosecond);

// The same value read by one bare evaluation of the resolved path in Duktape.
void BM_DuktapeEvalPath(benchmark::State& state) {
    const std::string reply = search_reply(100000);
    duk_context* context = duk_create_heap_default();
    duk_push_lstring(context, reply.data(), reply.size());
    duk_json_decode(context, -1);
    duk_put_global_string(context, "da");
    const std::string path = "da.data.list[" + std::to_string(state.range(0)) + "].url.toString()";
    for (auto _ : state) {
        if (duk_peval_lstring(context, path.data(), path.size()) != 0)
            state.SkipWithError("eval failed");
        std::string url = duk_safe_to_string(context, -1);
        benchmark::DoNotOptimize(url);
        duk_pop(context);
    }
    duk_destroy_heap(context);
}
BENCHMARK(BM_DuktapeEvalPath)->Arg(5)->Arg(99995)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--peak")
        return measure_peak(argv[2], std::atoi(argv[3]));
    return kessaro::bench::run_with_ratios(
        argc, argv,
        {
            {"BM_JsonDocParse/1000", "BM_DuktapeJsonParse/1000", ""},
            {"BM_JsonDocParse/10000", "BM_DuktapeJsonParse/10000", ""},
            {"BM_JsonDocParse/100000", "BM_DuktapeJsonParse/100000", ""},
            {"BM_JsonDocParse/100000", "BM_DuktapeJsonParse/100000", "peak_MB"},
            {"BM_GetText/5", "BM_DuktapeEvalPath/5", ""},
            {"BM_GetText/99995", "BM_DuktapeEvalPath/99995", ""},
            {"BM_GetText/99995", "BM_GetText/5", ""},
        });
}
