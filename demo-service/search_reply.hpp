// The search reply in the form the tool reads: {"data":{"list":[{"id":..,"tag":..,"url":..}]}}.
#pragma once

#include <string>
#include <string_view>

namespace kessaro::demo {

// `word` is the decoded search word (UTF-8 as the tool sends it; other bytes become U+FFFD in
// the tags). `base_url` is "http://host:port", the address the pictures are served from.
// An empty word lists nothing.
std::string search_reply(std::string_view word, std::string_view base_url);

// The path a picture of the word's seed is served at: "/pictures/<seed in hex>/<n>.<ext>".
std::string picture_path(uint64_t seed, int number);

// The picture file served at `path`; empty when the path names no picture.
std::string picture_at(std::string_view path);

// `text` as a JSON string literal (quotes included); invalid UTF-8 becomes U+FFFD.
std::string json_string(std::string_view text);

}  // namespace kessaro::demo
