// Standard Base64 (RFC 4648) with "=" filler and no line breaks, for Basic credentials.
#pragma once

#include "core/bytes.hpp"
#include "core/text.hpp"

namespace kessaro {

Text base64_encode(const Bytes& bytes);

}  // namespace kessaro
