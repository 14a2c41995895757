#include "jis_index.h"

#include <fstream>
#include <sstream>
#include <string>

namespace boxferry::encoding {

const JisIndex& Index() {
  static const JisIndex index = [] {
    JisIndex result;
    std::ifstream in(BOXFERRY_JIS0208_INDEX);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream fields(line);
      unsigned pointer;
      std::string cp_text;
      fields >> pointer >> cp_text;
      const auto cp = static_cast<char32_t>(std::stoul(cp_text, nullptr, 16));
      if (pointer >= 94 * 94) continue;
      result.decode[pointer] = cp;
      result.lowest.emplace(cp, pointer);
    }
    return result;
  }();
  return index;
}

}  // namespace boxferry::encoding
