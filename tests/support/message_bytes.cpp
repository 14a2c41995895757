#include "support/message_bytes.h"

#include <sstream>

#include "message/mbox_converter.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

namespace boxferry::test {

std::string Hex(std::string_view hex) {
  std::string out;
  std::istringstream in{std::string(hex)};
  std::string byte;
  while (in >> byte) out += static_cast<char>(std::stoi(byte, nullptr, 16));
  return out;
}

std::string ToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string ConvertBytes(std::string_view message, int* result, std::size_t readBufferSize) {
  TempDir dir;
  const std::string messagePath = (dir / "1.ALM").string();
  const std::string mboxPath = (dir / "mbox").string();
  WriteFile(messagePath, message);
  RunningMonitor running;
  MboxConverter converter(&running.monitor,
                          readBufferSize ? readBufferSize : MessageReader::kDefaultCapacity);
  int rc;
  {
    platform::File mbox = platform::File::OpenReadWrite(mboxPath);
    rc = converter.ConvertMessage(messagePath, "account", "folder", "1.ALM", mboxPath, mbox);
  }
  if (result) *result = rc;
  return ReadFile(mboxPath);
}

}  // namespace boxferry::test
