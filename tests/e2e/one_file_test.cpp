// The example product as one program to download: it installs what the
// folder set installs, byte for byte, silently and through the wizard;
// damaged anywhere in what it carries, or cut short, it says so and
// leaves the machine as it was. A folder set knows a damaged file too.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "e2e/prefix_snapshot.h"
#include "e2e/setup_run.h"
#include "payload/payload_format.h"
#include "support/temp_folder.h"

namespace e2e {
namespace {

const DWORD kRunTimeoutMs = 120000;
const char kDamaged[] = "The installation program is damaged. Please download it again.";

// Every file below `folder`, by its path inside it, with its content.
void Contents(const std::string& folder, const std::string& inside, std::map<std::string, std::string>& files) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Contents(folder + "\\" + name, inside + name + "\\", files);
    else
      files[inside + name] = testsupport::ReadFile(folder + "\\" + name);
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

std::map<std::string, std::string> Contents(const std::string& folder) {
  std::map<std::string, std::string> files;
  Contents(folder, "", files);
  return files;
}

// What is installed, with the file that records where it was installed
// from left aside: Setup.dat names the set it came from, and the log and
// its checksum follow from that.
std::map<std::string, std::string> Installed(const std::string& folder) {
  std::map<std::string, std::string> files = Contents(folder);
  files.erase("Setup.dat");
  files.erase("Install.log");
  files["EXSHARED.DLL in the system folder"] = testsupport::ReadFile(SystemFolder() + "\\EXSHARED.DLL");
  return files;
}

DWORD RunExit(const std::string& commandLine) { return RunCaptured(commandLine).exitCode; }

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Where the payload lies in the one file, as its mark says.
PayloadMark MarkOf(const std::string& program) {
  PayloadMark mark = {};
  if (program.size() >= kPayloadMarkOffset + sizeof mark)
    std::memcpy(&mark, program.data() + kPayloadMarkOffset, sizeof mark);
  return mark;
}

TEST(OneFile, InstallsWhatTheFolderSetInstallsSilentlyAndThroughTheWizard) {
  const std::string oneFile = uiauto::PathBesideThisExecutable("ExampleSetup.exe");
  const std::string folder = "C:\\One File Example";

  // The folder set, as the reference of what the product is; what its
  // installation and uninstall leave (a shared count at 0) is the machine
  // the one file must leave as well.
  InstallationSet set;
  CopyExampleSet(set);
  ASSERT_EQ(RunToExit(set, "/S /D=" + Quoted(folder), kRunTimeoutMs), 0u);
  const std::map<std::string, std::string> reference = Installed(folder);
  const auto Uninstall = [&set](const std::string& installed) {
    return RunToExit(set, "/S /U " + Quoted(installed), kRunTimeoutMs);
  };
  ASSERT_EQ(Uninstall(folder), 0u);
  const PrefixSnapshot before = PrefixSnapshot::Take();

  // Silently, from a folder of its own that holds nothing else.
  testsupport::TempFolder download;
  const std::string program = download.Join("ExampleSetup.exe");
  ASSERT_TRUE(CopyFileA(oneFile.c_str(), program.c_str(), FALSE));
  testsupport::TempFolder logs;
  const std::string log = logs.Join("one.log");
  ASSERT_EQ(RunExit(Quoted(program) + " /S /D=" + Quoted(folder) + " /LOG=" + Quoted(log)), 0u);
  EXPECT_EQ(Installed(folder), reference);
  // The Setup.exe left for the uninstall is the bare program, without the set.
  EXPECT_EQ(testsupport::ReadFile(folder + "\\Setup.exe"),
            testsupport::ReadFile(uiauto::PathBesideThisExecutable("Setup.exe")));
  const std::string logText = testsupport::ReadFile(log);
  EXPECT_NE(logText.find("set: carried by this program, put out in "), std::string::npos) << logText;
  ASSERT_EQ(Uninstall(folder), 0u);
  // Nothing left anywhere: not in the program's folder, not in the
  // temporary folder where the set's own files were put.
  EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), "");

  // Through the wizard, every proposal taken.
  std::optional<uiauto::Process> wizard = uiauto::Process::Start(Quoted(program), download.path());
  ASSERT_TRUE(wizard);
  const uiauto::MessageBoxLog boxes = RunToEnd(*wizard, [](const uiauto::MessageBoxInfo&) { return IDOK; });
  EXPECT_EQ(boxes.exitCode, std::optional<DWORD>(0)) << boxes.ToString();
  const std::string proposed = ProgramFiles() + "\\Example Editor";
  EXPECT_EQ(Installed(proposed), reference);
  ASSERT_EQ(Uninstall(proposed), 0u);
  EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), "");
}

TEST(OneFile, ADamagedOrCutDownloadSaysSoAndWritesNothing) {
  const std::string good = testsupport::ReadFile(uiauto::PathBesideThisExecutable("ExampleSetup.exe"));
  const PayloadMark mark = MarkOf(good);
  ASSERT_EQ(std::memcmp(mark.mark, kPayloadMark, sizeof mark.mark), 0);
  ASSERT_EQ(std::size_t{mark.offset} + mark.size, good.size());
  testsupport::TempFolder download;
  testsupport::TempFolder logs;
  const std::string program = download.Join("ExampleSetup.exe");
  const PrefixSnapshot before = PrefixSnapshot::Take();

  // A byte changed at 50 places over the whole payload, then the file cut
  // at 10 lengths, the payload's very start among them.
  std::vector<std::string> damaged;
  for (int i = 0; i < 50; ++i) {
    std::string bytes = good;
    const std::size_t at = mark.offset + (mark.size * (2 * static_cast<std::size_t>(i) + 1)) / 100;
    bytes[at] = static_cast<char>(bytes[at] ^ (1 << (i % 8)));
    damaged.push_back(bytes);
  }
  for (int i = 0; i < 10; ++i) damaged.push_back(good.substr(0, mark.offset + (mark.size * i) / 10));
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    testsupport::WriteFile(program, damaged[i]);
    const std::string log = logs.Join("damaged" + std::to_string(i) + ".log");
    EXPECT_EQ(RunExit(Quoted(program) + " /S /D=C:\\Damaged /LOG=" + Quoted(log)), 1603u) << "case " << i;
    EXPECT_NE(testsupport::ReadFile(log).find(kDamaged), std::string::npos) << "case " << i;
  }
  EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), "");

  // Started by hand, it tells the user, and only that.
  for (const std::size_t i : {std::size_t{7}, damaged.size() - 3}) {
    testsupport::WriteFile(program, damaged[i]);
    std::optional<uiauto::Process> run = uiauto::Process::Start(Quoted(program), download.path());
    ASSERT_TRUE(run);
    const uiauto::MessageBoxLog boxes =
        uiauto::CollectMessageBoxes(*run, kRunTimeoutMs, [](const uiauto::MessageBoxInfo&) { return IDOK; });
    ASSERT_EQ(boxes.boxes.size(), 1u) << "case " << i << ": " << boxes.ToString();
    EXPECT_EQ(boxes.boxes[0].box.text, kDamaged);
    EXPECT_EQ(boxes.exitCode, std::optional<DWORD>(1603));
  }
  EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), "");
}

TEST(OneFile, AFolderSetFileChangedInsideItsCompressedDataIsNotInstalled) {
  InstallationSet set;
  CopyExampleSet(set);
  // A changed byte deep in the compressed program: the size it expands
  // to stays right, only its content is wrong.
  std::string editor = testsupport::ReadFile(set.Join("EDITOR.EXE"));
  ASSERT_GT(editor.size(), 4000u);
  editor[editor.size() / 2] = static_cast<char>(editor[editor.size() / 2] ^ 0x10);
  set.Write("EDITOR.EXE", editor);
  const PrefixSnapshot before = PrefixSnapshot::Take();
  testsupport::TempFolder logs;
  const std::string log = logs.Join("set.log");
  EXPECT_EQ(RunToExit(set, "/S /D=C:\\Changed /LOG=" + Quoted(log), kRunTimeoutMs), 1603u);
  const std::string text = testsupport::ReadFile(log);
  EXPECT_NE(text.find("damaged in the set: " + set.Join("EDITOR.EXE")), std::string::npos) << text;
  EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), "");
}

}  // namespace
}  // namespace e2e
