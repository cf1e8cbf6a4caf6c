// The script loaded into every engine a JsonDoc creates: the four helper functions the
// document's operations call, and a JSON polyfill for engines without a JSON object of their own.
#pragma once

#include "core/text.hpp"

namespace kessaro {

// One ASCII text without line breaks.
const Text& bootstrap_script();

}  // namespace kessaro
