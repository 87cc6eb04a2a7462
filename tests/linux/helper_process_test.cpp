// The helper process's side of the contract, with standard tools as helpers:
// cat answers every query with its own request, sleep answers none.
#include "platform/linux/helper_process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "platform/linux/query_server.h"
#include "platform/linux/tool_search.h"

namespace kv::linux_os {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A request that cat echoes back reads as the answer "text" (byte 1: answered).
std::string Echoed(const std::string& text) { return '\1' + text; }

// One helper answers every query of a batch and holds none of the program's
// descriptors: its standard input and output are its socket, its standard
// error /dev/null, and nothing else.
TEST(HelperProcess, AnswersEachQueryOfABatchAndHoldsNothingOfTheProgram) {
  int keep[2];
  ASSERT_EQ(pipe(keep), 0);  // inheritable, like a program's standard output
  const HelperProcessQueries queries({"/bin/cat"}, 5s);
  const std::string big(200000, 'x');
  EXPECT_EQ(queries.AskAll({{"a", Echoed("first")}, {"b", std::string("\0failed", 7)},
                            {"c", Echoed(big)}}),
            (std::vector<QueryAnswer>{"first", std::nullopt, big}));
  EXPECT_EQ(queries.Ask("d", Echoed("again")), "again");
  EXPECT_EQ(queries.Started(), 1);  // one helper serves them all
  std::vector<std::string> held;
  for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(queries.Helper()) + "/fd"))
    held.push_back(fd.path().filename().string() + " " + read_symlink(fd).string().substr(0, 7));
  std::sort(held.begin(), held.end());
  EXPECT_EQ(held, (std::vector<std::string>{"0 socket:", "1 socket:", "2 /dev/nu"}));
  close(keep[0]);
  close(keep[1]);
}

// One limit for the whole batch: what has not answered when it runs out
// fails, its helper is killed, its key is not asked again, and the next
// query starts a new helper.
TEST(HelperProcess, GivesUpOnQueriesThatDoNotAnswer) {
  // Echoes the first request (13 bytes) and then answers nothing more.
  const HelperProcessQueries queries({"/bin/sh", "-c", "head -c 13; exec sleep 600"}, 300ms);
  const auto start = std::chrono::steady_clock::now();
  const auto answers =
      queries.AskAll({{"quick", Echoed("fast")}, {"hung1", Echoed("x")}, {"hung2", Echoed("y")}});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_EQ(answers, (std::vector<QueryAnswer>{"fast", std::nullopt, std::nullopt}));
  EXPECT_EQ(queries.Helper(), -1);

  EXPECT_EQ(queries.Ask("hung2", Echoed("y")), std::nullopt);
  EXPECT_EQ(queries.Started(), 1);  // a stalled key is not asked again
  EXPECT_EQ(queries.Ask("quick", Echoed("fast")), "fast");
  EXPECT_EQ(queries.Started(), 2);
}

// A helper that ends by itself is started again once; where none can be had,
// the queries fail at once and the report hears why, once.
TEST(HelperProcess, StartsAgainOnceAndSaysWhenThereIsNone) {
  const fs::path marker = fs::temp_directory_path() / ("kv-helper-" + std::to_string(getpid()));
  // Dies at its first start, as one killed at once; serves as cat after.
  const std::string diesFirst =
      "if [ -e '" + marker.string() + "' ]; then exec cat; else : > '" + marker.string() + "'; fi";
  const struct {
    std::vector<std::string> command;
    QueryAnswer answer;
    int started;
    std::vector<std::string> reports;
  } kRows[] = {
      {{"/bin/sh", "-c", diesFirst}, "x", 2, {}},
      {{"/bin/false"}, std::nullopt, 2, {"補助プロセスが終了しました"}},
      {{"/nonexistent/helper"}, std::nullopt, 0, {"No such file or directory"}},
  };
  for (const auto& row : kRows) {
    fs::remove(marker);
    std::vector<std::string> reports;
    const HelperProcessQueries queries(row.command, 20s, {},
                                       [&](const std::string& why) { reports.push_back(why); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(queries.Ask("a", Echoed("x")), row.answer) << row.command.back();
    EXPECT_EQ(queries.Ask("b", Echoed("x")), row.answer) << row.command.back();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);  // far below the limit
    EXPECT_EQ(queries.Started(), row.started) << row.command.back();
    EXPECT_EQ(reports, row.reports) << row.command.back();
  }
  fs::remove(marker);
}

// The program's own helper, made both ways: started again with the hidden
// argument (this test program serves as one), and as a copy of this one.
TEST(HelperProcess, TheProgramServesAsItsOwnHelper) {
  const QueryAnswerer answer = [](std::string_view request) {
    return AnswerFileSystemQuery(request, SystemStatVfs());
  };
  for (const QueryAnswerer& copyAnswers : {QueryAnswerer{}, answer}) {
    const HelperProcessQueries queries(QueryHelperCommand(), 20s, copyAnswers);
    EXPECT_EQ(queries.Ask("/bin", ToolsQuery("/bin", {"sh", "no-such-tool"})), "10");
    EXPECT_EQ(queries.Ask("/dev/null", WireWriter('D').Text("/dev/null").Done()), std::nullopt);
  }
}

}  // namespace
}  // namespace kv::linux_os
