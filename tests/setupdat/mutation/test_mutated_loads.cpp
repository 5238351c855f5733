// Damaged Setup.dat files through loading, list reading and expansion:
// none may crash or hang the program, and each must end either loaded and
// expanded or in one of the program's reports.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/install_pass.h"
#include "platform/error_report.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "support/temp_folder.h"
#include "uiauto.h"

namespace {

// The reports of the run, counted by their first line.
std::map<std::string, int> g_reports;
int g_reportsThisLoad = 0;

void Count(const std::string& text) {
  ++g_reports[text.substr(0, text.find('\n'))];
  ++g_reportsThisLoad;
}

}  // namespace

void ShowErrorReport(HINSTANCE instance, SetupError code) {
  char text[512];
  FormatErrorReport(instance, code, text, sizeof text);
  Count(text);
}

void ShowErrorReportText(const char* message) { Count(message); }

namespace {

const char kWorkedExample[] =
    "[Setup]\r\nTitle=Example Editor 1.0\r\nApp=Example Editor\r\nDefaultFolder=%P\\Example\r\nGroup=1\r\n"
    "Desktop=1\r\nFiles=Files\r\nRegClasses=Classes\r\nRegMachine=Machine\r\nShortcuts=Links\r\n"
    "[Files]\r\nEditor.ex_=%0\\Editor.exe,500,0,Editor program\r\nCommon.dl_=%S\\Common.dll,300,1,Common library\r\n"
    "Setup.dat=%0\\Setup.dat,20,0,Setup information\r\nSetup.exe=%0\\Setup.exe,80,0,Setup program\r\n"
    "[Classes]\r\n.exd=|Example.Document\r\nExample.Document=|Example Document\r\n"
    "Example.Document\\shell\\open\\command=|%0\\Editor.exe %1\r\n"
    "[Machine]\r\nSoftware\\Example\\Editor:1=Path|%0\r\nSoftware\\Example\\Editor:2=Version|1.0\r\n"
    "[Links]\r\nExample Editor=5,%0\\Editor.exe,%0\r\n";

// Pieces that are likely to matter to the readers, spliced in at random.
const char* const kPieces[] = {
    "\r\n", "=", "[", "]", "[Files]\r\n", "[Setup]\r\n", "%", "%%", "%0", "%Z", "!", ";", ",", "|", ":", "\"", "'",
    "\\", ",-1,", ",4294967295,", ",2147483647,", ",x,", "\r\n=oops\r\n", "\r\n:x=Name|Data\r\n", "\t", " ",
    "\xEF\xBB\xBF", "\xFF\xFE", "\x1A", "Files=Files\r\n", "RegMachine=Classes\r\n", "Shortcuts=Files\r\n",
    "DefaultFolder=%0%0%0%0%0%0%0%0\r\n", "Title=\r\n",
};

class Mutator {
public:
  explicit Mutator(unsigned stream) : random_(stream) {}

  std::string Mutate(std::string text) {
    const int changes = 1 + Number(8);
    for (int i = 0; i < changes; ++i) {
      const std::size_t at = text.empty() ? 0 : static_cast<std::size_t>(Number(static_cast<int>(text.size()) + 1));
      switch (Number(6)) {
        case 0:  // a byte changed
          if (at < text.size()) text[at] = static_cast<char>(Number(256));
          break;
        case 1:  // a run removed
          if (at < text.size()) text.erase(at, static_cast<std::size_t>(1 + Number(40)));
          break;
        case 2:  // a piece that matters
          text.insert(at, kPieces[Number(sizeof kPieces / sizeof kPieces[0])]);
          break;
        case 3: {  // a run repeated
          if (at >= text.size()) break;
          const std::string run = text.substr(at, static_cast<std::size_t>(1 + Number(80)));
          text.insert(at, run);
          break;
        }
        case 4:  // a long run
          text.insert(at, std::string(static_cast<std::size_t>(200 + Number(400)), "a%\\,"[Number(4)]));
          break;
        default: {  // a line moved
          const std::size_t from = text.find('\n', at);
          if (from == std::string::npos) break;
          const std::size_t to = text.find('\n', from + 1);
          if (to == std::string::npos) break;
          const std::string line = text.substr(from + 1, to - from);
          text.erase(from + 1, to - from);
          text.insert(static_cast<std::size_t>(Number(static_cast<int>(text.size()) + 1)), line);
          break;
        }
      }
    }
    return text;
  }

private:
  int Number(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random_); }
  std::mt19937 random_;
};

// The example product's list with a size in every size field.
std::string ExampleSeed() {
  std::string text = testsupport::ReadFile(uiauto::PathBesideThisExecutable("mutation_seed_example.dat"));
  for (std::size_t at = text.find("@SIZE@"); at != std::string::npos; at = text.find("@SIZE@"))
    text.replace(at, 6, "4096");
  return text;
}

TEST(MutatedSetupDat, NeverCrashesOrHangsAndEveryFailureIsReported) {
  const char* requested = std::getenv("SETUP_MUTATIONS");
  const int count = requested ? std::atoi(requested) : 1000;
  const std::vector<std::string> seeds = {kWorkedExample, ExampleSeed()};
  ASSERT_NE(seeds[1].find("[Files]"), std::string::npos);

  // Folders in turn, so that no two loads in a row read the same file name.
  std::vector<std::unique_ptr<testsupport::TempFolder>> folders;
  for (int i = 0; i < 16; ++i) folders.push_back(std::make_unique<testsupport::TempFolder>());

  // A load that takes this long is taken for a hang.
  std::atomic<int> done{0};
  std::atomic<bool> finished{false};
  std::thread watchdog([&] {
    int last = -1;
    auto since = std::chrono::steady_clock::now();
    while (!finished) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      if (done != last) {
        last = done;
        since = std::chrono::steady_clock::now();
      } else if (std::chrono::steady_clock::now() - since > std::chrono::seconds(20)) {
        std::fprintf(stderr, "mutation %d hangs\n", last);
        std::fflush(stderr);
        ExitProcess(3);
      }
    }
  });

  int loaded = 0;
  int unreported = 0;
  const auto started = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    Mutator mutator(static_cast<unsigned>(i));
    const std::string text = mutator.Mutate(seeds[static_cast<std::size_t>(i) % seeds.size()]);
    const testsupport::TempFolder& folder = *folders[static_cast<std::size_t>(i) % folders.size()];
    testsupport::WriteFile(folder.Join("Setup.dat"), text);
    g_reportsThisLoad = 0;
    {
      SetupSession session(g_instance, nullptr, folder.path().c_str());
      const bool ok = session.LoadSetupInfo() && ExpandItems(session);
      if (ok) {
        ++loaded;
      } else if (g_reportsThisLoad == 0) {
        ++unreported;
        ADD_FAILURE() << "mutation " << i << " failed without a report:\n" << text;
      }
    }
    ++done;
    if (unreported > 5) break;
  }
  finished = true;
  watchdog.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  std::printf("mutated files: %d, loaded and expanded: %d, reported: %d, %.1f s (%.0f a second)\n", count, loaded,
              count - loaded, seconds, count / seconds);
  for (const auto& [report, times] : g_reports) std::printf("  %6d  %s\n", times, report.c_str());
  EXPECT_GT(loaded, 0);
  EXPECT_LT(loaded, count);
}

}  // namespace
