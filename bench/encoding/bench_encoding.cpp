// utf8_to_ansi on about 10 MB of JSON-like mixed Chinese and ASCII text, beside a direct
// one-pass ICU conversion (ucnv_convertEx) and a memcpy of the same buffer.
#include <unicode/ucnv.h>

#include <cstring>
#include <string>

#include "bench/bench_ratios.hpp"
#include "encoding/code_page.hpp"

namespace {

const std::string& sample() {
    static const std::string text = [] {
        std::string out = "{\"data\":{\"list\":[";
        const char* tags[] = {"\xE9\xA3\x8E\xE6\x99\xAF",                          // 风景
                              "\xE7\xBE\x8E\xE5\xA5\xB3 \xE5\xA3\x81\xE7\xBA\xB8",  // 美女 壁纸
                              "sunset", "\xE5\x8A\xA8\xE6\xBC\xAB 2024"};           // 动漫 2024
        for (int k = 0; out.size() < 10'000'000; ++k) {
            out += "{\"id\":" + std::to_string(k) + ",\"tag\":\"" + tags[k % 4] +
                   "\",\"url\":\"http://127.0.0.1:8642/p/" + std::to_string(k) + ".png\"},";
        }
        out += "{}]}}";
        return out;
    }();
    return text;
}

void set_rate(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(sample().size()));
}

void utf8_to_ansi(benchmark::State& state) {
    const kessaro::Text input(sample());
    for (auto _ : state) benchmark::DoNotOptimize(kessaro::utf8_to_ansi(input));
    set_rate(state);
}

void icu_convert_ex(benchmark::State& state) {
    const std::string& input = sample();
    std::string out;
    for (auto _ : state) {
        UErrorCode error = U_ZERO_ERROR;
        UConverter* from = ucnv_open("UTF-8", &error);
        UConverter* to = ucnv_open("windows-936-2000", &error);
        out.resize(input.size() + 4);
        char* target = out.data();
        const char* source = input.data();
        ucnv_convertEx(to, from, &target, out.data() + out.size(), &source,
                       input.data() + input.size(), nullptr, nullptr, nullptr, nullptr, true, true,
                       &error);
        out.resize(static_cast<std::size_t>(target - out.data()));
        benchmark::DoNotOptimize(out.data());
        ucnv_close(from);
        ucnv_close(to);
    }
    set_rate(state);
}

void memcpy_buffer(benchmark::State& state) {
    const std::string& input = sample();
    std::string out(input.size(), '\0');
    for (auto _ : state) {
        std::memcpy(out.data(), input.data(), input.size());
        benchmark::DoNotOptimize(out.data());
    }
    set_rate(state);
}

BENCHMARK(utf8_to_ansi)->Unit(benchmark::kMillisecond);
BENCHMARK(icu_convert_ex)->Unit(benchmark::kMillisecond);
BENCHMARK(memcpy_buffer)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return kessaro::bench::run_with_ratios(
        argc, argv,
        {{"utf8_to_ansi", "icu_convert_ex", "bytes_per_second"},
         {"utf8_to_ansi", "memcpy_buffer", "bytes_per_second"}});
}
