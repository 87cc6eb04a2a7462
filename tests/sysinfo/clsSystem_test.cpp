#include "sysinfo/clsSystem.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/ansi_buffer.h"
#include "platform/errors.h"
#include "tests/fakes/fake_os.h"

namespace kv::test {
namespace {

// Scripts the system, asks the provider and answers, as text, what it handed back.
using Query = std::function<std::string(FakeOs&, const clsSystem&)>;

// " raised" when the query raised an error, so its outputs can be shown either way.
std::string Raised(const std::function<void()>& query) {
  try {
    query();
  } catch (const Error&) {
    return " raised";
  }
  return "";
}

// The load, total and free kilobytes; the outputs start as 7, 8 and 9.
Query Memory(uint32_t load, uint64_t totalBytes, uint64_t freeBytes) {
  return [=](FakeOs& os, const clsSystem& s) {
    os.memory = {load, totalBytes, freeBytes};
    uint8_t percent = 7;
    int32_t total = 8, free = 9;
    const std::string raised = Raised([&] { s.FreeMemory(percent, total, free); });
    return std::to_string(percent) + " " + std::to_string(total) + " " + std::to_string(free) +
           raised;
  };
}

// The keyboard type text and the number of function keys (none when that raised).
Query Keyboard(int32_t type, int32_t functionKeys = 12) {
  return [=](FakeOs& os, const clsSystem& s) {
    os.keyboard = {{0, type}, {2, functionKeys}};
    std::string keys;
    const std::string raised = Raised([&] { keys = std::to_string(s.FunctionKeys()); });
    return s.KeyboardType() + " " + keys + raised;
  };
}

// The processor text (passed in as "as passed"), the count and the active mask.
Query Processor(uint32_t type, uint32_t mask = 3) {
  return [=](FakeOs& os, const clsSystem& s) {
    os.system = {mask, 2, type};
    std::string text = "as passed";
    int32_t count = 0, active = 0;
    s.SystemInfo(text, count, active);
    return text + " " + std::to_string(count) + " " + std::to_string(active);
  };
}

// All three directory queries follow the same rules; answers the first.
Query Directory(std::optional<std::string> path, std::optional<uint32_t> count = {},
                char separator = '\\') {
  return [=](FakeOs& os, const clsSystem& s) {
    os.tempDir = os.systemDir = os.windowsDir = {path, count};
    os.separator = separator;
    EXPECT_EQ(s.SystemDir(), s.TempDir());
    EXPECT_EQ(s.WinDir(), s.TempDir());
    return s.TempDir();
  };
}

// Both name queries follow the same rules; answers the first.
Query Name(std::optional<std::string> name) {
  return [=](FakeOs& os, const clsSystem& s) {
    os.computerName = os.userName = name;
    EXPECT_EQ(s.UserName(), s.ComputerName());
    return s.ComputerName();
  };
}

// The serial number and the label of C:\, which has no medium when label is missing.
Query Volume(std::optional<std::string> label, uint32_t serial = 0) {
  return [=](FakeOs& os, const clsSystem& s) {
    if (label) os.AddRoot("C:\\", {.label = label, .serial = serial});
    return s.SerialNumber("C:\\") + " " + s.VolumeLabel("C:\\");
  };
}

// "major.minor platform"; the outputs start as -1, -1 and "as passed". The
// build number and the service-pack text never reach them.
Query Version(int32_t major, int32_t minor, int32_t platform, bool answers = true) {
  return [=](FakeOs& os, const clsSystem& s) {
    os.version = OsVersionInfo{major, minor, 2195, platform, "Service Pack 4"};
    if (!answers) os.version.reset();
    int16_t major16 = -1, minor16 = -1;
    std::string text = "as passed";
    const std::string raised = Raised([&] { s.WinVer(major16, minor16, text); });
    return std::to_string(major16) + "." + std::to_string(minor16) + " " + text + raised;
  };
}

struct Case { const char* name; Query query; std::string expected; };

const std::string kLongPath = "C:\\" + std::string(70, 'x') + "\\deeper";

const Case kCases[] = {
    // Kilobytes round half to even and stay 32-bit signed.
    {"Kilobytes512And513", Memory(50, 512, 513), "50 0 1"},
    {"Kilobytes1023And1536", Memory(50, 1023, 1536), "50 1 2"},
    {"TopBitSetAndBeyond32Bits", Memory(100, 3221225472ull, 1ull << 34), "100 3145728 16777216"},
    {"LargestAndClamped", Memory(0, (1ull << 41) - 1024, 1ull << 50), "0 2147483647 2147483647"},
    {"LoadOverflowKeepsOutputs", Memory(256, 4096, 4096), "7 8 9 raised"},
    {"Keyboard0FailingFunctionKeys", Keyboard(0, 0), " 0"},
    {"Keyboard1", Keyboard(1), "IBM PC/XT or compatible (83 key) 12"},
    {"Keyboard2AllFunctionKeys", Keyboard(2, 255), "Olivetti \"ico\" (102 key) 255"},
    {"Keyboard3FunctionKeysOverflow", Keyboard(3, 256), "IBM PC/AT or compatible (84 key)  raised"},
    {"Keyboard4NegativeFunctionKeys", Keyboard(4, -1), "IBM enhanced (101 or 102 key)  raised"},
    {"Keyboard5", Keyboard(5), "Nokia 1050 or compatible 12"},
    {"Keyboard6", Keyboard(6), "Nokia 9140 or compatible 12"},
    {"Keyboard7", Keyboard(7), "Japanese 12"},
    {"Keyboard8", Keyboard(8), " 12"},
    {"Processor386", Processor(386), "80386 2 3"},
    {"Processor486", Processor(486), "80486 2 3"},
    {"Processor586", Processor(586), "Intel Pentium 2 3"},
    {"Processor686", Processor(686), "as passed 2 3"},
    // What a 64-bit build is told on x64 (PROCESSOR_AMD_X8664): no label of its own.
    {"Processor8664", Processor(8664), "as passed 2 3"},
    {"AllMaskBits", Processor(586, 0xFFFFFFFF), "Intel Pentium 2 -1"},
    {"DirectoryAppended", Directory("C:\\WINDOWS"), "C:\\WINDOWS\\"},
    {"DirectoryNotDoubled", Directory("C:\\TEMP\\"), "C:\\TEMP\\"},
    {"DirectorySpacesInsideKept", Directory("C:\\A  "), "C:\\A  \\"},
    {"DirectoryFails", Directory(std::nullopt), ""},
    // A count that claims success over a buffer left as it was: a lone separator.
    {"DirectoryUntouchedBuffer", Directory(std::nullopt, 5), "\\"},
    {"DirectoryNegativeCount", Directory("C:\\X", 0x80000000u), ""},
    {"DirectoryJustFits", Directory(std::string(49, 'd')), std::string(49, 'd') + "\\"},
    // Longer than the 50-byte buffer: asked again, the whole path comes back.
    {"DirectoryLongerThanBuffer", Directory(kLongPath), kLongPath + "\\"},
    {"DirectoryPlatformSeparator", Directory("/usr/lib", {}, '/'), "/usr/lib/"},
    {"Name49Fits", Name(std::string(49, 'n')), std::string(49, 'n')},
    // Longer than the 50-byte buffer (a Linux host name of 64 bytes, a long
    // user name): asked again with the size the system needs, shown whole.
    {"Name50AskedAgain", Name(std::string(50, 'n')), std::string(50, 'n')},
    {"Name64AskedAgain", Name(std::string(64, 'h')), std::string(64, 'h')},
    {"Name1023AskedAgain", Name(std::string(1023, 'u')), std::string(1023, 'u')},
    {"NameBeyondAnySystemFails", Name(std::string(1024, 'u')), ""},
    {"NameFails", Name(std::nullopt), ""},
    {"Volume", Volume("DATA", 0x1A2B3C4D), "1A2B-3C4D DATA"},
    {"VolumeWithoutLabel", Volume("", 0xABC), "0000-0ABC NoName"},
    {"VolumeLabelCutAtNul", Volume(std::string("AB\0CD", 5), 0xFFFFFFFF), "FFFF-FFFF AB"},
    {"NoMedium", Volume(std::nullopt), "0000-0000 "},
    {"VersionNt", Version(5, 0, 2), "5.0 Windows NT or Windows 2000"},
    {"Version98", Version(4, 10, 1), "4.10 Windows 95/98"},
    {"VersionWin32s", Version(3, 10, 0), "3.10 Windows 3.10"},
    {"VersionOtherPlatform", Version(6, 1, 3), "6.1 as passed"},
    {"VersionFails", Version(5, 0, 2, false), "0.0 "},
    {"VersionOverflowKeepsTheRest", Version(5, 40000, 2), "5.-1 as passed raised"},
};

struct Provider : ::testing::TestWithParam<Case>, FakePc {
  clsSystem system{services};
};

TEST_P(Provider, AnswersFromTheSystem) {
  EXPECT_EQ(GetParam().query(os, system), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, Provider, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The buffer contract of the directory and name queries, as every OS layer writes it.

struct BufferCase { std::string text; std::size_t size; bool fits; };
class BufferContract : public ::testing::TestWithParam<BufferCase> {};

TEST_P(BufferContract, TooSmallAnswersTheSizeNeededAndLeavesTheBuffer) {
  const auto& c = GetParam();
  const std::string untouched(c.size, ' ');
  std::string path = untouched, name = untouched;
  uint32_t size = static_cast<uint32_t>(c.size);
  EXPECT_EQ(ansi_buffer::WriteText(c.text, path), c.text.size() + (c.fits ? 0 : 1));
  EXPECT_EQ(ansi_buffer::WriteName(c.text, name, size), c.fits ? 1 : 0);
  EXPECT_EQ(size, c.text.size() + (c.fits ? 0 : 1));
  EXPECT_EQ(path, c.fits ? (c.text + '\0' + untouched).substr(0, c.size) : untouched);
  EXPECT_EQ(name, path);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BufferContract, ::testing::Values(
    BufferCase{"/tmp/", 6, true}, BufferCase{"/tmp/", 5, false}, BufferCase{"/", 0, false},
    BufferCase{std::string(49, 'a'), 50, true}, BufferCase{std::string(50, 'a'), 50, false}));

}  // namespace
}  // namespace kv::test
