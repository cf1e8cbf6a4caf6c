// Text: a string of code page 936 bytes that ends at its first NUL byte.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kessaro {

class Text {
  public:
    Text() = default;
    // Every constructor keeps the bytes before the first NUL: a Text never holds one.
    Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}
    Text(const char* bytes) : Text(bytes ? std::string_view(bytes) : std::string_view()) {}
    Text(const std::string& bytes) : Text(std::string_view(bytes)) {}
    Text(std::string&& bytes) : bytes_(std::move(bytes)) { cut_at_nul(); }

    std::string_view view() const { return bytes_; }
    const std::string& str() const { return bytes_; }
    const char* c_str() const { return bytes_.c_str(); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    // Unsigned byte at a 0-based offset.
    unsigned char byte(std::size_t offset) const {
        return static_cast<unsigned char>(bytes_[offset]);
    }

    Text& operator+=(const Text& other) {
        bytes_ += other.bytes_;
        return *this;
    }
    Text& operator+=(std::string_view bytes) { return *this += Text(bytes); }
    friend Text operator+(Text left, const Text& right) { return left += right; }
    friend Text operator+(Text left, const char* right) { return left += Text(right); }
    friend Text operator+(const char* left, const Text& right) { return Text(left) += right; }

    friend bool operator==(const Text&, const Text&) = default;
    // std::string compares through char_traits<char>, which orders bytes as unsigned char.
    friend std::strong_ordering operator<=>(const Text& left, const Text& right) {
        const int order = left.bytes_.compare(right.bytes_);
        return order < 0
                   ? std::strong_ordering::less
                   : (order > 0 ? std::strong_ordering::greater : std::strong_ordering::equal);
    }

  private:
    void cut_at_nul() {
        if (const auto nul = bytes_.find('\0'); nul != std::string::npos)
            bytes_.resize(nul);
    }

    std::string bytes_;
};

// Positions in lists are 1-based in the system's descriptions; the vector is 0-based.
using TextList = std::vector<Text>;

}  // namespace kessaro
