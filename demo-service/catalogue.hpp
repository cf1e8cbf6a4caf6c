// What the demo service lists for a search word: a fixed, word-dependent set of pictures.
// Everything follows from a seed computed from the word's bytes, so the same word always
// lists the same pictures, and a picture's address (seed and number) is enough to draw it again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kessaro::demo {

enum class PictureFormat { png, jpeg, bmp, gif };

struct PictureEntry {
    int number = 0;  // 1-based
    PictureFormat format = PictureFormat::png;
    int width = 0;
    int height = 0;
};

uint64_t word_seed(std::string_view word);
// Between 6 and 32 pictures.
int picture_count(uint64_t seed);
// Empty for a number outside 1..picture_count(seed).
std::optional<PictureEntry> picture_entry(uint64_t seed, int number);
// The entry's tag: the word, a scene name and the number ("美女 星空 03"), in UTF-8.
std::string picture_tag(std::string_view word, uint64_t seed, int number);
std::string_view extension_of(PictureFormat format);
std::string_view content_type_of(PictureFormat format);

// A well-mixed 64-bit value of one input (the splitmix64 finaliser).
uint64_t mix(uint64_t value);

}  // namespace kessaro::demo
