// The support report's section and the privacy rule, table-driven.
#include "platform/support_report.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_os.h"

namespace kv::test {
namespace {

using std::chrono::sys_days;
using namespace std::chrono_literals;

TEST(SupportReport, TheSectionFollowsTheWindowTextAfterAnEmptyLine) {
  const SystemDetails system{"Debian GNU/Linux 13 (trixie)", "6.12.48+deb13-amd64",
                             "AMD Ryzen 5 5600G with Radeon Graphics", "x86_64",
                             "LENOVO 90RC00EGJP"};
  const auto when = sys_days{std::chrono::year{2026} / 12 / 7} + 15h + 20min + 0s + 999ms;
  const ReportDetails details = MakeReportDetails(system, when);
  EXPECT_EQ(details.generatedUtc, "2026-12-07T15:20:00Z");
  EXPECT_EQ(details.kavrenoVersion, "1.0.0");
  EXPECT_EQ(SupportReport("メモリ：1 KB\r\n", details, "\r\n"),
            "メモリ：1 KB\r\n"
            "\r\n"
            "詳細：\r\n"
            "OS名：Debian GNU/Linux 13 (trixie)\r\n"
            "OSのビルド：6.12.48+deb13-amd64\r\n"
            "プロセッサ名：AMD Ryzen 5 5600G with Radeon Graphics\r\n"
            "アーキテクチャ：x86_64\r\n"
            "機種：LENOVO 90RC00EGJP\r\n"
            "Kavreno：1.0.0\r\n"
            "作成日時：2026-12-07T15:20:00Z\r\n");
  // What the system did not say stays empty; its controls are made visible.
  const std::string section =
      DetailsSection(MakeReportDetails({"A\nB", "", "", "", ""}, sys_days{}), "\n");
  EXPECT_EQ(section.substr(0, section.find("Kavreno")),
            "詳細：\nOS名：A\\x0aB\nOSのビルド：\nプロセッサ名：\nアーキテクチャ：\n機種：\n");
  EXPECT_NE(section.find("作成日時：1970-01-01T00:00:00Z\n"), std::string::npos);
}

TEST(SupportReport, NamesTheMachineAndWindowsAsPeopleKnowThem) {
  const struct {
    const char *vendor, *product, *expected;
  } machines[] = {
      {"LENOVO", "20L7002AJP", "LENOVO 20L7002AJP"},
      {"Dell Inc.", "Dell Inc. OptiPlex 7070", "Dell Inc. OptiPlex 7070"},
      {" System manufacturer ", "To be filled by O.E.M.", ""},
      {"Default string", "Pro 1", "Pro 1"},
      {"HP", "", "HP"},
  };
  for (const auto& m : machines) EXPECT_EQ(MachineName(m.vendor, m.product), m.expected) << m.vendor;
  const struct {
    const char *product, *display;
    uint32_t build;
    const char* expected;
  } windows[] = {
      {"Windows 10 Pro", "24H2", 26100, "Windows 11 Pro 24H2"},
      {"Windows 10 Pro", "22H2", 19045, "Windows 10 Pro 22H2"},
      {"Windows 10 Enterprise", "", 22000, "Windows 11 Enterprise"},
      {"Windows 7 Professional", "", 7601, "Windows 7 Professional"},
      {"Windows Server 2022 Datacenter", "21H2", 20348, "Windows Server 2022 Datacenter 21H2"},
      {"", "", 0, ""},
  };
  for (const auto& w : windows)
    EXPECT_EQ(WindowsOsName(w.product, w.display, w.build), w.expected) << w.product;
}

TEST(Redact, LeavesNamesOutOnlyWhereTheyStandAsWords) {
  const struct {
    const char* why;
    PersonalNames names;
    const char* text;
    const char* expected;
  } table[] = {
      {"a whole value, a path component, a word",
       {"yamada", "", false},
       "ユーザー名：yamada\n/home/yamada/src\nDisk /media/yamada/USB\nby yamada.",
       "ユーザー名：<user>\n/home/<user>/src\nDisk /media/<user>/USB\nby <user>."},
      {"Windows paths",
       {"yamada", "", false},
       "C:\\Users\\yamada\\AppData\\Local\\Temp\\",
       "C:\\Users\\<user>\\AppData\\Local\\Temp\\"},
      {"a one-letter name",
       {"a", "", false},
       "ユーザー名：a\nDrive Type:  Fixed\nC:\\Users\\a\\AppData a.out Data",
       "ユーザー名：<user>\nDrive Type:  Fixed\nC:\\Users\\<user>\\AppData <user>.out Data"},
      {"a prefix of other words",
       {"yama", "", false},
       "/home/yama/yamada yama-pc yamaha _yama yama2",
       "/home/<user>/yamada <user>-pc yamaha _yama yama2"},
      {"a name with spaces",
       {"Taro Yamada", "", false},
       "C:\\Users\\Taro Yamada\\Temp\\ Taro Yamadas Taro",
       "C:\\Users\\<user>\\Temp\\ Taro Yamadas Taro"},
      {"a Japanese name",
       {"山田", "", false},
       "ユーザー名：山田\n/home/山田/写真\n山田太郎\n「山田」　山田、",
       "ユーザー名：<user>\n/home/<user>/写真\n山田太郎\n「<user>」　<user>、"},
      {"regular-expression characters are plain",
       {"a.b*c(d)", "$1\\", false},
       "x a.b*c(d) aXb*c(d) aa.b*c(d) $1\\ $1\\x",
       "x <user> aXb*c(d) aa.b*c(d) <computer> <computer>x"},
      {"the same name as user and computer",
       {"yamada", "yamada", false},
       "コンピュータ名：yamada\nユーザー名：yamada",
       "コンピュータ名：<user>\nユーザー名：<user>"},
      {"a computer name holding the user name",
       {"yamada", "yamada-pc", false},
       "yamada-pc yamada \\\\yamada-pc\\share",
       "<computer> <user> \\\\<computer>\\share"},
      {"the computer name without regard to case on Windows",
       {"", "YAMADA-PC", true},
       "コンピュータ名：YAMADA-PC\n\\\\yamada-pc\\share Yamada-PCs",
       "コンピュータ名：<computer>\n\\\\<computer>\\share Yamada-PCs"},
      {"and with regard to it elsewhere",
       {"", "YAMADA-PC", false},
       "YAMADA-PC yamada-pc",
       "<computer> yamada-pc"},
      {"bytes that are not UTF-8 end a word",
       {"yamada", "", false},
       "\xffyamada\xfe ok",
       "\xff<user>\xfe ok"},
      {"no names: the text as it was", {"", "", false}, "yamada", "yamada"},
  };
  for (const auto& row : table) EXPECT_EQ(Redact(row.text, row.names), row.expected) << row.why;
}

// The names as the window shows them, asked again with the size they need.
TEST(Redact, ReadsTheNamesTheWindowShows) {
  FakePc pc;
  pc.os.userName = std::string(300, 'u');
  pc.os.computerName = "PC01";
  PersonalNames names = ReadPersonalNames(pc.services);
  EXPECT_EQ(names.user, std::string(300, 'u'));
  EXPECT_EQ(names.computer, "PC01");
  EXPECT_TRUE(names.ignoreCase);  // a system with Windows's separator
  pc.os.separator = '/';
  pc.os.userName.reset();
  names = ReadPersonalNames(pc.services);
  EXPECT_EQ(names.user, "");
  EXPECT_FALSE(names.ignoreCase);
  EXPECT_EQ(ShownNames({"a\tb", "c", false}).user, "a\\x09b");
}

}  // namespace
}  // namespace kv::test
