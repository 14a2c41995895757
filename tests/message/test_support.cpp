#include "test_support.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "message/mbox_converter.h"

namespace boxferry::test {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("boxferry-msg-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

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
  const std::string messagePath = dir.Path("1.ALM");
  const std::string mboxPath = dir.Path("mbox");
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
