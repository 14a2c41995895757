#include "faults/fault_fixture.h"

#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace boxferry::faults {

std::string Ini(const std::string& title, const std::string& type) {
  return "[Property]\r\nTitle=" + title + "\r\n" + (type.empty() ? "" : "Type=" + type + "\r\n");
}

std::string Message(const std::string& subject) {
  return "Subject: " + subject + "\r\nFrom: sender@example.com\r\n\r\nBody of " + subject + "\r\n";
}

std::string MboxOf(const std::vector<std::string>& messages) {
  std::string out;
  for (const std::string& m : messages) out += std::string(kSeparatorAndStatus) + m;
  return out;
}

Snapshot TakeSnapshot(const fs::path& root) {
  Snapshot out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const fs::path& path = it->path();
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;
    std::string description = std::to_string(st.st_mode) + " size " + std::to_string(st.st_size) + " mtime " +
                              std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
    if (S_ISLNK(st.st_mode)) {
      description += " -> " + fs::read_symlink(path, ec).string();
    } else if (S_ISREG(st.st_mode)) {
      description += " = " + test::ReadFile(path);
    }
    out[path.lexically_relative(root).generic_string()] = description;
  }
  return out;
}

ScratchMount::ScratchMount(const fs::path& where, const std::string& options) : where_(where) {
  fs::create_directories(where);
  const bool readOnly = options.starts_with("ro");
  const std::string data = readOnly ? options.substr(options.find(',') + 1) : options;
  if (mount("boxferry-test", where.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, data.c_str()) == 0) {
    mounted_ = true;
  } else {
    error_ = std::strerror(errno);
  }
}

ScratchMount::~ScratchMount() {
  if (mounted_) umount2(where_.c_str(), MNT_DETACH);
}

void FaultTest::ExpectStoppedWith(int result, int id) const {
  EXPECT_EQ(result, -1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{StopBox(id)});
  EXPECT_EQ(monitor_.statusText(), FirstLine(MessageText(id)));
  // Failed (4), then Finish: Start and the folder buttons come back, the button says Close again.
  EXPECT_EQ(monitor_.state(), kReady);
  const auto buttons = view_.Matching("text 1014");
  ASSERT_FALSE(buttons.empty());
  EXPECT_EQ(buttons.back(), "text 1014 " + MessageText(kMsgClose));
}

}  // namespace boxferry::faults
