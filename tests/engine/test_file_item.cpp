#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/file_item.h"
#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "support/message_box_answerer.h"
#include "support/temp_folder.h"
#include "uiauto.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

const int kButtonIds[] = {IDC_REPLACE, IDC_RETRY, IDC_IGNORE, IDC_SKIP, IDCANCEL};

// One file error dialog as the user saw it.
struct Question {
  std::string caption;
  std::string message;
  std::vector<int> buttons;
};

// Answers every file error dialog of this process with the next button of
// `script` (the last one over and over) and records what each showed.
class FileErrorAnswerer {
public:
  explicit FileErrorAnswerer(std::vector<int> script)
      : script_(std::move(script)), driver_("", [this](HWND dialog) { Answer(dialog); }) {}

  std::vector<Question> questions() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return questions_;
  }

private:
  void Answer(HWND dialog) {
    Question question;
    question.caption = uiauto::WindowText(dialog);
    question.message = uiauto::ControlText(dialog, IDC_FILE_ERROR_MESSAGE).value_or("<no message>");
    for (int id : kButtonIds)
      if (uiauto::IsControlVisible(dialog, id).value_or(false)) question.buttons.push_back(id);
    int button = IDCANCEL;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!script_.empty()) button = script_[std::min(questions_.size(), script_.size() - 1)];
      questions_.push_back(question);
    }
    if (!uiauto::ClickButton(dialog, button)) uiauto::ClickButton(dialog, IDCANCEL);
  }

  std::vector<int> script_;
  mutable std::mutex mutex_;
  std::vector<Question> questions_;
  testsupport::DialogDriver driver_;  // last: its thread stops before the rest goes
};

std::string Fixture(const std::string& name) { return uiauto::PathBesideThisExecutable("lz_fixtures\\" + name); }
std::string VersionDll(const std::string& name) { return uiauto::PathBesideThisExecutable(name + ".dll"); }

const char kStaging[] = "\\QWSTAGE.TMP";

// Names of the temporary files left in a folder, or in its staging folder.
std::vector<std::string> TemporaryFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const std::string& pattern : {folder + "\\QWI*.TMP", folder + kStaging + "\\*.*"}) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) continue;
    do
      if (entry.cFileName[0] != '.') names.push_back(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  return names;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A session whose installation set (variable I) and installation folder
// (variable 0) are fresh folders.
class FileItemTest : public testing::Test {
protected:
  FileItemTest() : session(g_instance, nullptr, set.path().c_str()) {
    session.variables->Set('0', target.path().c_str());
  }

  // Copies a file into the installation set under `name`; its size.
  LONG AddToSet(const std::string& from, const std::string& name) {
    const std::string bytes = ReadFile(from);
    EXPECT_FALSE(bytes.empty()) << from;
    WriteFile(set.Join(name), bytes);
    return static_cast<LONG>(bytes.size());
  }

  // The item of a file list line, expanded as the install run does.
  std::unique_ptr<FileItem> Item(const std::string& key, const std::string& value) {
    auto item = std::make_unique<FileItem>(&session, session.variables.get(), key.c_str(), value.c_str());
    item->Expand();
    return item;
  }

  testsupport::TempFolder set;
  testsupport::TempFolder target;
  SetupSession session;
};

TEST_F(FileItemTest, CompressedSourceExpandsIntoNewNestedFolders) {
  const std::string original = ReadFile(Fixture("notes.txt"));
  ASSERT_EQ(ReadFile(Fixture("notes.tx_")).substr(0, 4), "SZDD");
  AddToSet(Fixture("notes.tx_"), "notes.tx_");
  const std::string size = std::to_string(original.size());
  auto item = Item("notes.tx_", "%0\\a\\b\\c\\notes.txt," + size + ",0,Release notes");

  FileErrorAnswerer answerer({IDCANCEL});
  EXPECT_TRUE(item->Install(0));
  EXPECT_TRUE(answerer.questions().empty());
  EXPECT_TRUE(IsFolder(target.Join("a\\b\\c")));
  EXPECT_EQ(ReadFile(target.Join("a\\b\\c\\notes.txt")), original);
  EXPECT_TRUE(TemporaryFiles(target.Join("a\\b\\c")).empty());
  EXPECT_EQ(session.bytesDone, original.size());
  EXPECT_EQ(item->record.placement, FileItem::Placement::Created);
  // The staging folder waits for the end of the pass, then goes.
  EXPECT_TRUE(IsFolder(target.Join("a\\b\\c") + kStaging));
  session.staging.RemoveAll();
  EXPECT_FALSE(IsFolder(target.Join("a\\b\\c") + kStaging));
}

TEST_F(FileItemTest, PlainAndCompressedSourcesInstallByteIdenticalOverExistingFiles) {
  const std::string noise = ReadFile(Fixture("noise.dat"));
  AddToSet(Fixture("noise.da_"), "noise.da_");
  AddToSet(Fixture("noise.dat"), "plain.dat");
  WriteFile(target.Join("plain.dat"), "an older copy without a version");
  const std::string size = std::to_string(noise.size());
  auto compressed = Item("noise.da_", "%0\\noise.dat," + size);
  auto plain = Item("plain.dat", "%0\\plain.dat," + size);

  FileErrorAnswerer answerer({IDCANCEL});
  EXPECT_TRUE(compressed->Install(0));
  EXPECT_TRUE(plain->Install(0));
  EXPECT_TRUE(answerer.questions().empty());
  EXPECT_EQ(ReadFile(target.Join("noise.dat")), noise);
  EXPECT_EQ(ReadFile(target.Join("plain.dat")), noise);
  EXPECT_TRUE(TemporaryFiles(target.path()).empty());
  EXPECT_EQ(session.bytesDone, 2 * noise.size());
}

TEST_F(FileItemTest, MissingSourceOffersSkipAndCancel) {
  auto item = Item("absent.txt", "%0\\sub\\absent.txt,100,0,Absent");
  {
    FileErrorAnswerer answerer({IDC_SKIP});
    EXPECT_TRUE(item->Install(0));
    auto questions = answerer.questions();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].caption, target.Join("sub\\absent.txt"));
    EXPECT_EQ(questions[0].buttons, (std::vector<int>{IDC_SKIP, IDCANCEL}));
    EXPECT_EQ(questions[0].message.substr(0, 26), "Unable to create the file.");
  }
  EXPECT_EQ(session.bytesDone, 100u);  // a skipped file counts as done
  EXPECT_EQ(item->record.placement, FileItem::Placement::None);
  {
    FileErrorAnswerer answerer({IDCANCEL});
    EXPECT_FALSE(item->Install(0));
    EXPECT_EQ(answerer.questions().size(), 1u);
  }
  EXPECT_EQ(session.bytesDone, 100u);  // a cancelled one does not move
  EXPECT_FALSE(FileExists(target.Join("sub\\absent.txt")));
  EXPECT_TRUE(TemporaryFiles(target.Join("sub")).empty());
  // Nor its folder, staging folder and all.
  EXPECT_FALSE(IsFolder(target.Join("sub")));
}

TEST_F(FileItemTest, WrongSizeAsksAgainOnRetryAndKeepsTheCopyOnIgnore) {
  const std::string original = ReadFile(Fixture("notes.txt"));
  AddToSet(Fixture("notes.tx_"), "notes.tx_");
  auto item = Item("notes.tx_", "%0\\notes.txt," + std::to_string(original.size() + 1));

  FileErrorAnswerer answerer({IDC_RETRY, IDC_IGNORE});
  EXPECT_TRUE(item->Install(0));
  auto questions = answerer.questions();
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_EQ(questions[1].buttons, (std::vector<int>{IDC_RETRY, IDC_IGNORE, IDC_SKIP, IDCANCEL}));
  EXPECT_EQ(ReadFile(target.Join("notes.txt")), original);
  EXPECT_TRUE(TemporaryFiles(target.path()).empty());
}

TEST_F(FileItemTest, OlderVersionAsksAndReplaceOverwritesWhileSkipKeeps) {
  const LONG size = AddToSet(VersionDll("ver_1_9"), "lib.dll");
  const std::string newer = ReadFile(VersionDll("ver_2_0"));
  WriteFile(target.Join("lib.dll"), newer);
  auto item = Item("lib.dll", "%0\\lib.dll," + std::to_string(size));
  {
    FileErrorAnswerer answerer({IDC_SKIP});
    EXPECT_TRUE(item->Install(0));
    auto questions = answerer.questions();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].buttons, (std::vector<int>{IDC_REPLACE, IDC_SKIP, IDCANCEL}));
  }
  EXPECT_EQ(ReadFile(target.Join("lib.dll")), newer);
  {
    FileErrorAnswerer answerer({IDC_REPLACE});
    EXPECT_TRUE(item->Install(0));
    EXPECT_EQ(answerer.questions().size(), 1u);
  }
  EXPECT_EQ(ReadFile(target.Join("lib.dll")), ReadFile(VersionDll("ver_1_9")));
  EXPECT_TRUE(TemporaryFiles(target.path()).empty());
}

TEST_F(FileItemTest, FileInUseIsSkippedOrLeftForTheRestart) {
  const LONG size = AddToSet(Fixture("notes.txt"), "notes.txt");
  const std::string busy = target.Join("busy.txt");
  WriteFile(busy, "in use");
  auto item = Item("notes.txt", "%0\\busy.txt," + std::to_string(size) + ",1");
  HANDLE open = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  {
    FileErrorAnswerer answerer({IDC_RETRY, IDC_SKIP});
    EXPECT_TRUE(item->Install(0));
    auto questions = answerer.questions();
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].message.substr(0, 31), "The file is in use by Windows. ");
    EXPECT_EQ(questions[0].buttons, (std::vector<int>{IDC_RETRY, IDC_IGNORE, IDC_SKIP, IDCANCEL}));
    EXPECT_TRUE(TemporaryFiles(target.path()).empty());
  }
  {
    FileErrorAnswerer answerer({IDC_IGNORE});
    EXPECT_TRUE(item->Install(0));
    EXPECT_EQ(answerer.questions().size(), 1u);
  }
  CloseHandle(open);
  EXPECT_EQ(ReadFile(busy), "in use");
  // The new file waits beside the old one for the restart, not in the
  // staging folder, which goes with the pass.
  EXPECT_EQ(TemporaryFiles(target.path()).size(), 1u);
  session.staging.RemoveAll();
  EXPECT_FALSE(IsFolder(target.path() + kStaging));
  EXPECT_EQ(TemporaryFiles(target.path()).size(), 1u);
  EXPECT_EQ(session.restartNeeded, 1u);
  EXPECT_EQ(session.bytesDone, 2u * static_cast<DWORD>(size));
}

TEST_F(FileItemTest, SharedFilesAreCountedOnceForEachInstallation) {
  const LONG size = AddToSet(Fixture("notes.txt"), "notes.txt");
  auto item = Item("notes.txt", "%0\\Shared.dll," + std::to_string(size) + ",1");
  const std::string path = target.Join("Shared.dll");
  auto count = [&]() -> DWORD {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
      return 0xFFFFFFFF;
    DWORD value = 0xFFFFFFFF;
    DWORD bytes = sizeof value;
    RegQueryValueExA(key, path.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &bytes);
    RegCloseKey(key);
    return value;
  };
  FileErrorAnswerer answerer({IDCANCEL});
  EXPECT_TRUE(item->Install(0));
  EXPECT_EQ(count(), 1u);
  EXPECT_TRUE(item->Install(0));
  EXPECT_EQ(count(), 2u);
}

TEST_F(FileItemTest, PathsWithoutFolderOrTooLongGoToTheUserAsGeneralFailures) {
  AddToSet(Fixture("notes.txt"), "notes.txt");
  auto noFolder = Item("notes.txt", "notes.txt,10");
  auto longDestination = Item("notes.txt", "%0\\" + std::string(280, 'd') + "\\notes.txt,20");
  FileErrorAnswerer answerer({IDC_SKIP});
  EXPECT_TRUE(noFolder->Install(0));
  EXPECT_TRUE(longDestination->Install(0));

  // An installation set folder that leaves no room for the source name.
  session.variables->Set('I', (set.path() + "\\" + std::string(250, 's')).c_str());
  auto longSource = Item("notes.txt", "%0\\notes.txt,30");
  EXPECT_TRUE(longSource->Install(0));

  auto questions = answerer.questions();
  ASSERT_EQ(questions.size(), 3u);
  for (const Question& question : questions) {
    EXPECT_EQ(question.message, "An error has occured in the setup application. Installation will end.");
    EXPECT_EQ(question.buttons, (std::vector<int>{IDC_SKIP, IDCANCEL}));
  }
  EXPECT_EQ(session.bytesDone, 60u);
  EXPECT_FALSE(FileExists(target.Join("notes.txt")));
  EXPECT_FALSE(IsFolder(target.Join(std::string(280, 'd'))));
}

TEST_F(FileItemTest, DestinationsLongerThanOldStyleFileRecordsStillInstall) {
  // Paths past 128 characters are beyond what OpenFile can name, yet well
  // within a path buffer.
  const std::string original = ReadFile(Fixture("notes.txt"));
  AddToSet(Fixture("notes.tx_"), "notes.tx_");
  const std::string deep = std::string(100, 'p') + "\\" + std::string(60, 'q') + "\\notes.txt";
  ASSERT_GT(target.Join(deep).size(), 200u);
  auto item = Item("notes.tx_", "%0\\" + deep + "," + std::to_string(original.size()));
  FileErrorAnswerer answerer({IDCANCEL});
  EXPECT_TRUE(item->Install(0));
  EXPECT_TRUE(answerer.questions().empty());
  EXPECT_EQ(ReadFile(target.Join(deep)), original);
}

}  // namespace
