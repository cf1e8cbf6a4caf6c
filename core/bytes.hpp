// Bytes: a counted byte array that may hold NUL bytes (bodies, UTF-16 buffers, pictures).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kessaro {

class Bytes {
  public:
    Bytes() = default;
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}
    explicit Bytes(std::string&& bytes) : bytes_(std::move(bytes)) {}
    Bytes(const unsigned char* data, std::size_t size)
        : bytes_(reinterpret_cast<const char*>(data), size) {}

    std::string_view view() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    const unsigned char* data() const {
        return reinterpret_cast<const unsigned char*>(bytes_.data());
    }
    // Writable storage for layers that fill a buffer in place.
    std::string& storage() { return bytes_; }

    friend bool operator==(const Bytes&, const Bytes&) = default;

  private:
    std::string bytes_;
};

}  // namespace kessaro
