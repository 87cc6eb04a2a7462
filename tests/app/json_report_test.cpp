// The JSON report against a scripted PC: the values the provider and the
// drive report compute, the system's codes, null for a volume that gave no
// answer, exact 64-bit byte counts and text that is not UTF-8.
#include "app/report/json_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/fakes/fake_os.h"

namespace kv {
namespace {

using nlohmann::json;

struct JsonReportTest : ::testing::Test, test::FakePc {
  json Report() {
    const std::string text = JsonReport(CollectSystemReport(services));
    EXPECT_EQ(text.find('\n'), std::string::npos);
    return json::parse(text);
  }
};

TEST_F(JsonReportTest, HoldsWhatTheWindowShowsAsValues) {
  os.system = {0x80000003u, 2, 586};
  os.memory = {100, 268435456, 1536};  // 1.5 KB free rounds half to even: 2
  EXPECT_EQ(Report(), json::parse(R"({"computer_name":"PC01","user_name":"user",
      "os":{"family":"Windows NT or Windows 2000","version":"5.0","major":5,"minor":0,
            "platform_id":2},
      "processors":{"count":2,"type":"Intel Pentium","type_code":586,"active_mask":2147483651},
      "memory":{"total_kb":262144,"free_kb":2,"load_percent":100},
      "directories":{"windows":"C:\\WINDOWS\\","system":"C:\\WINDOWS\\SYSTEM\\",
                     "temporary":"C:\\TEMP\\"},
      "keyboard":{"type":"Japanese","type_code":7,"function_keys":12},"drives":[]})"));
}

TEST_F(JsonReportTest, UnknownCodesAndAFailedVersionQuery) {
  os.system.processorType = 8664;
  os.keyboard = {{0, 81}};
  os.version.reset();
  const json r = Report();
  EXPECT_EQ(r["processors"]["type"], "");
  EXPECT_EQ(r["processors"]["type_code"], 8664);
  EXPECT_EQ(r["keyboard"], json::parse(R"({"type":"","type_code":81,"function_keys":0})"));
  EXPECT_EQ(r["os"], json::parse(R"({"family":"","version":"0.0","major":0,"minor":0,
                                     "platform_id":0})"));
}

TEST_F(JsonReportTest, OneDriveEntryPerReportBlockInItsOrder) {
  os.AddRoot("c:\\", {.label = "SYSTEM", .totalBytes = 18446744073709551615ull,
                      .freeBytes = 9007199254740993ull});
  os.AddRoot("D:\\", {.driveType = kDriveCdRom, .label = std::nullopt, .totalBytes = std::nullopt});
  os.AddRoot("/mnt/a\nb", {.driveType = 9, .label = "", .fileSystem = "ext4"});
  os.AddRoot("/media/\xff", {.label = "caf\xc3\xa9 \xfe"});
  const json drives = Report()["drives"];
  ASSERT_EQ(drives.size(), 4u);
  EXPECT_EQ(drives[0], json::parse(R"({"root":"C:\\","volume_name":"SYSTEM","file_system":"NTFS",
      "drive_type":"Fixed","drive_type_code":3,"total_bytes":18446744073709551615,
      "free_bytes":9007199254740993})"));
  EXPECT_EQ(drives[1], json::parse(R"({"root":"D:\\","volume_name":null,"file_system":null,
      "drive_type":"CD-Rom","drive_type_code":5,"total_bytes":0,"free_bytes":0})"));
  // JSON's own escaping, not the report's.
  EXPECT_EQ(drives[2]["root"], "/mnt/a\nb");
  EXPECT_EQ(drives[2]["volume_name"], "");
  EXPECT_EQ(drives[2]["drive_type"], "*ERROR*");
  EXPECT_EQ(drives[3]["root"], "/media/\xef\xbf\xbd");
  EXPECT_EQ(drives[3]["volume_name"], "caf\xc3\xa9 \xef\xbf\xbd");
}

// Characters JSON lets pass raw that must not reach a terminal raw: written as
// \u escapes, which read back as the same text. Others pass unchanged.
TEST_F(JsonReportTest, HiddenCharactersAreWrittenAsEscapes) {
  const struct {
    const char* raw;
    const char* written;
  } kCases[] = {
      {"\x7f", "\\u007f"},           {"\xc2\x80", "\\u0080"},     {"\xc2\x9f", "\\u009f"},
      {"\xe2\x80\xa8", "\\u2028"}, {"\xe2\x80\xa9", "\\u2029"}, {"\xe2\x80\xae", "\\u202e"},
      {"\xe2\x80\xaa", "\\u202a"}, {"\xe2\x80\x8e", "\\u200e"}, {"\xe2\x80\x8f", "\\u200f"},
      {"\xe2\x81\xa6", "\\u2066"}, {"\xe2\x81\xa9", "\\u2069"}, {"\xd8\x9c", "\\u061c"},
      {"\xe2\x80\x8b", "\\u200b"}, {"\xef\xbb\xbf", "\\ufeff"},
      {"\xc2\xa0", "\xc2\xa0"},     {"\xe2\x80\xa7", "\xe2\x80\xa7"}, {"\xe6\x97\xa5", "\xe6\x97\xa5"},
      {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"}, {"~", "~"}};
  for (const auto& c : kCases) {
    const std::string name = std::string("a") + c.raw + "b";
    os.userName = name;
    const std::string text = JsonReport(CollectSystemReport(services));
    EXPECT_NE(text.find(std::string("\"user_name\":\"a") + c.written + "b\""), std::string::npos)
        << c.written << " in " << text;
    EXPECT_EQ(json::parse(text)["user_name"], name) << c.written;
  }
}

}  // namespace
}  // namespace kv
