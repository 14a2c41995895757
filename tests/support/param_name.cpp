#include "support/param_name.h"

#include <cstdint>
#include <cstdio>

namespace boxferry::test {
namespace {

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Length of the UTF-8 sequence at `at` (1 when none begins there), and its code point.
std::size_t DecodeUtf8(std::string_view text, std::size_t at, std::uint32_t& cp) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (length == 1 || at + length > text.size()) return 1;
  cp = lead & (0x3F >> (length - 1));
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return 1;
    cp = (cp << 6) | (next & 0x3F);
  }
  return length;
}

}  // namespace

std::string ParamName(std::string_view text) {
  if (text.empty()) return "Empty";
  std::string name;
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (IsLetter(c)) {
      std::size_t run = 1;
      while (at + run < text.size() && text[at + run] == c) ++run;
      if (run >= 4) {
        name += std::to_string(run) + c;
      } else {
        name.append(run, c);
      }
      at += run;
      continue;
    }
    if (IsDigit(c)) {
      name += c;
      ++at;
      continue;
    }
    std::uint32_t cp = 0;
    const std::size_t length = static_cast<unsigned char>(c) >= 0x80 ? DecodeUtf8(text, at, cp) : 1;
    if (length > 1) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "U%04X", static_cast<unsigned>(cp));
      name += hex;
    } else {
      name += '_';
    }
    at += length;
  }
  return name;
}

std::string RunStateName(int state) {
  static const char* const kNames[] = {"NotReady", "Ready",     "Running", "Cancelling",
                                       "Failed",   "Completed", "Finish"};
  if (state >= 0 && state <= kFinish) return kNames[state];
  return std::to_string(state);
}

}  // namespace boxferry::test
