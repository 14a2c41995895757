// The WHATWG jis0208 index as a receiving client reads it, for the encoding tests.
#pragma once

#include <map>

namespace boxferry::encoding {

// Pointer -> code point, and code point -> lowest pointer, both limited to the 94 rows ISO-2022-JP can
// address (pointers below 8836).
struct JisIndex {
  std::map<unsigned, char32_t> decode;
  std::map<char32_t, unsigned> lowest;
};

const JisIndex& Index();

}  // namespace boxferry::encoding
