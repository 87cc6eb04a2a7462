// The drive report against a system scripted from the fuzz input: roots,
// names, drive types and byte counts of any kind. Each root gives six CR LF
// lines with their labels, the sizes in the size text's form, and nothing
// raw or invalid reaches the report.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "app/drives/drives.h"
#include "platform/linux/iconv_code_page.h"
#include "tests/fakes/fake_os.h"
#include "tests/fuzz/fuzz_checks.h"

namespace {

using kv::fuzz::Require;

class TextBox final : public kv::ITextBox {
 public:
  std::string Text() const override { return text; }
  void SetText(std::string t) override { text = std::move(t); }
  std::string text;
};

bool Digits(std::string_view s, bool separators) {
  if (s.empty()) return false;
  for (char c : s)
    if (!(c >= '0' && c <= '9') && !(separators && c == ',')) return false;
  return true;
}

// " 1024Bytes", "976.5625KB", "38,146.97MB".
bool SizeTextForm(std::string_view s) {
  if (s.starts_with(' ') && s.ends_with("Bytes")) return Digits(s.substr(1, s.size() - 6), false);
  const bool mb = s.ends_with("MB");
  if (!mb && !s.ends_with("KB")) return false;
  s.remove_suffix(2);
  const auto point = s.find('.');
  if (point == std::string_view::npos) return !mb && Digits(s, false);
  const auto decimals = s.substr(point + 1);
  return Digits(s.substr(0, point), mb) && Digits(decimals, false) &&
         (mb ? decimals.size() == 2 : decimals.size() <= 10);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const kv::linux_os::IconvCodePage cp932("CP932");
  static const kv::test::Utf8CodePage bytes;
  FuzzedDataProvider in(data, size);
  kv::test::FakeOs os;
  const bool shiftJis = in.ConsumeBool();
  os.hasDiskFreeSpaceEx = in.ConsumeBool();
  const int roots = in.ConsumeIntegralInRange(0, 6);
  for (int i = 0; i < roots; ++i) {
    std::string root = in.ConsumeRandomLengthString(40);
    std::erase(root, '\0');  // the list separates roots with NULs
    if (root.empty()) root = "C:\\";
    kv::test::FakeVolume v;
    v.driveType = in.ConsumeIntegral<uint32_t>();
    if (in.ConsumeBool()) v.label = in.ConsumeRandomLengthString(140);
    else v.label.reset();
    v.fileSystem = in.ConsumeRandomLengthString(140);
    v.totalBytes = in.ConsumeIntegral<uint64_t>();
    v.freeBytes = in.ConsumeIntegral<uint64_t>();
    v.sectorsPerCluster = in.ConsumeIntegral<int32_t>();
    v.bytesPerSector = in.ConsumeIntegral<int32_t>();
    v.freeClusters = in.ConsumeIntegral<int32_t>();
    v.totalClusters = in.ConsumeIntegral<int32_t>();
    os.AddRoot(root, v);
  }
  const kv::IAnsiCodePage& page = shiftJis ? static_cast<const kv::IAnsiCodePage&>(cp932) : bytes;
  TextBox box;
  kv::WriteDriveReport(os.Services(page), box);

  static constexpr std::string_view kLabels[] = {"Disk ",           "  Volume Name: ",
                                                 "  File System: ", "  Drive Type:  ",
                                                 "  Total Space: ", "  Free Space:  "};
  Require(kv::fuzz::Shown(box.text, true), "nothing raw or invalid in the report");
  std::size_t lines = 0;
  for (std::size_t pos = 0; pos < box.text.size(); ++lines) {
    const auto end = box.text.find("\r\n", pos);
    Require(end != std::string::npos, "every line ends with CR LF");
    const std::string_view line(box.text.data() + pos, end - pos);
    const auto label = kLabels[lines % 6];
    Require(line.starts_with(label), "each line of a block has its label");
    if (lines % 6 >= 4) Require(SizeTextForm(line.substr(label.size())), "a size text's form");
    pos = end + 2;
  }
  Require(lines == 6 * static_cast<std::size_t>(roots), "six lines per root");
  return 0;
}
