// Cuts a fuzzer's input into the several arguments an operation takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/text.hpp"

namespace kessaro::fuzz {

// A broken invariant ends the run, so that libFuzzer keeps the input.
inline void require(bool condition) {
    if (!condition)
        std::abort();
}

// Checks about separators only hold where no lead byte can swallow a separator's first byte.
inline bool single_byte(const Text& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.byte(i) >= 0x80)
            return false;
    }
    return true;
}

class Input {
  public:
    Input(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

    // The bytes up to the next 0x01 byte (or the end).
    std::string_view piece() {
        const size_t cut = rest_.find('\x01');
        const std::string_view piece = rest_.substr(0, cut);
        rest_ = cut == std::string_view::npos ? std::string_view() : rest_.substr(cut + 1);
        return piece;
    }
    int32_t number(int32_t low, int32_t high) {
        if (rest_.empty())
            return low;
        const auto byte = static_cast<unsigned char>(rest_.front());
        rest_.remove_prefix(1);
        return low + static_cast<int32_t>(byte % static_cast<unsigned>(high - low + 1));
    }
    bool flag() { return number(0, 1) == 1; }
    std::string_view rest() const { return rest_; }

  private:
    std::string_view rest_;
};

}  // namespace kessaro::fuzz
