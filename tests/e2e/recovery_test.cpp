// Runs killed half-way: an installation, an upgrade, a rollback and an
// uninstall are each ended from outside at points their own log names, and
// the next run of Setup.exe must put the machine back exactly as it was
// before the killed run (an uninstall: as before the product), leaving no
// temporary or renamed-aside file anywhere.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "e2e/prefix_snapshot.h"
#include "e2e/setup_run.h"

namespace e2e {
namespace {

const DWORD kRunTimeoutMs = 180000;



// Ends `id` and every process it started, as a power cut would: at once.
void KillTree(DWORD id) {
  std::vector<DWORD> ids{id};
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot != INVALID_HANDLE_VALUE) {
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (std::size_t i = 0; i < ids.size(); ++i)
      for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == ids[i] && entry.th32ProcessID != ids[i]) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
  }
  for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, *it)) {
      TerminateProcess(process, 0xDEAD);
      WaitForSingleObject(process, 10000);
      CloseHandle(process);
    }
  }
}

// Starts a silent run that logs to `logPath` and kills it once its log
// names `marker` `count` times. False when the run ended first.
bool KillWhenLogged(const InstallationSet& set, const std::string& arguments, const std::string& logPath,
                    const std::string& marker, std::size_t count) {
  DeleteFileA(logPath.c_str());
  auto process = set.Start("/S /LOG=" + logPath + " " + arguments);
  if (!process) return false;
  const DWORD started = GetTickCount();
  while (process->IsRunning() && GetTickCount() - started < kRunTimeoutMs) {
    if (Occurrences(testsupport::ReadFile(logPath), marker) >= count) {
      KillTree(process->Id());
      return true;
    }
    Sleep(1);
  }
  return false;
}

// A product of many small files in a few folders, three large ones, a
// shared library, registry entries and a link: the shape of a real one.
void WriteProduct(const InstallationSet& set, const std::string& version, int smallFiles,
                  const std::string& extraLine = std::string()) {
  std::string files;
  for (int i = 0; i < smallFiles; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    const std::string content = version + " small file " + std::to_string(i) + std::string(200 + i % 300, 'x');
    set.Write(name, content);
    files += name + "=%0\\part" + std::to_string(i % 4) + "\\" + name + "," + std::to_string(content.size()) + ",0\r\n";
  }
  for (int i = 0; i < 3; ++i) {
    const std::string name = "large" + std::to_string(i) + ".bin";
    const std::string content(3 * 1024 * 1024 + i, static_cast<char>('a' + i));
    set.Write(name, content);
    files += name + "=%0\\" + name + "," + std::to_string(content.size()) + ",0\r\n";
  }
  set.Write("KILLLIB.DLL", "a library " + version);
  files += "KILLLIB.DLL=%S\\KILLLIB.DLL," + std::to_string(10 + version.size()) + ",1\r\n";
  WriteSelfSizedSetupDat(
      set, "[Setup]\r\nTitle=Killed\r\nApp=Killed\r\nVersion=" + version +
               "\r\nDefaultGroup=Killed\r\nGroup=1\r\nFiles=Files\r\nRegMachine=Machine\r\nShortcuts=Shortcuts\r\n"
               "[Files]\r\n" + files + extraLine + "Setup.dat=%0\\Setup.dat,@SELF@,0\r\n"
               "[Machine]\r\nSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Killed=DisplayName|Killed\r\n"
               "Software\\Killed=Version|" + version + "\r\nSoftware\\Killed\\Deep:1=Path|%0\r\n"
               "[Shortcuts]\r\nKilled=1,%0\\large0.bin,%0\r\n");
}

struct KillPoint {
  const char* marker;
  std::size_t count;
};

class Recovery : public testing::Test {
protected:
  // Kills `arguments` at each point, lets the next run put things right,
  // and holds the machine against `expected`.
  void KillAt(const InstallationSet& set, const std::string& arguments, const std::vector<KillPoint>& points,
              const PrefixSnapshot& expected) {
    for (const KillPoint& point : points) {
      SCOPED_TRACE(std::string(point.marker) + " x" + std::to_string(point.count));
      if (!KillWhenLogged(set, arguments, logs_.Join("killed.log"), point.marker, point.count)) {
        ADD_FAILURE() << "the run ended before it was killed";
        continue;
      }
      // The next run of any kind: here an uninstall of nothing, which
      // itself changes nothing.
      EXPECT_EQ(RunToExit(set, "/S /LOG=" + logs_.Join("next.log") + " /U \"" + ProgramFiles() + "\\Nothing\""),
                1603u);
      EXPECT_NE(testsupport::ReadFile(logs_.Join("next.log")).find("an earlier run was cut short"), std::string::npos);
      EXPECT_EQ(expected.DifferencesTo(PrefixSnapshot::Take()), "");
    }
  }

  testsupport::TempFolder logs_;
  const std::string folder_ = ProgramFiles() + "\\Killed";
};

TEST_F(Recovery, AKilledInstallationOrRollbackIsTakenBack) {
  InstallationSet set;
  WriteProduct(set, "1.0", 2000);
  const PrefixSnapshot before = PrefixSnapshot::Take();
  KillAt(set, "/D=\"" + folder_ + "\"",
         {{"file created", 1}, {"file created", 300}, {"file created", 600}, {"file created", 1000}, {"file created", 1800},
          {"file created", 2002}, {"shared count of", 1}, {"registry:", 2}},
         before);

  // A run that fails at its last file rolls back; killed in its rollback,
  // the next run finishes taking it back.
  InstallationSet failing;
  WriteProduct(failing, "1.0", 2000, "missing.txt=%0\\missing.txt,7,0\r\n");
  KillAt(failing, "/D=\"" + folder_ + "\"", {{"rollback: file", 5}, {"rollback: file", 700}, {"rollback: file", 1500}},
         before);
}

TEST_F(Recovery, AKilledUpgradeLeavesTheOldVersionAndAKilledUninstallIsFinished) {
  InstallationSet one;
  InstallationSet two;
  WriteProduct(one, "1.0", 300);
  WriteProduct(two, "2.0", 350);
  const PrefixSnapshot before = PrefixSnapshot::Take();
  ASSERT_EQ(RunToExit(one, "/S /D=\"" + folder_ + "\""), 0u);
  const PrefixSnapshot versionOne = PrefixSnapshot::Take();
  KillAt(two, "/D=\"" + folder_ + "\"",
         {{"file replaced", 1}, {"file created", 20}, {"file replaced", 150}, {"file replaced", 290},
          {"shared count of", 1}, {"registry:", 1}},
         versionOne);

  // An uninstall killed half-way is finished by the next run: the machine
  // as before the product, but for the shared library's count at 0.
  for (const KillPoint& point :
       std::vector<KillPoint>{{"file removed", 1}, {"file removed", 100}, {"registry key removed", 1}}) {
    SCOPED_TRACE(point.marker);
    ASSERT_TRUE(KillWhenLogged(one, "/U \"" + folder_ + "\"", logs_.Join("killed.log"), point.marker, point.count));
    EXPECT_EQ(RunToExit(one, "/S /U \"" + ProgramFiles() + "\\Nothing\""), 1603u);
    std::string differences = before.DifferencesTo(PrefixSnapshot::Take());
    CharLowerBuffA(&differences[0], static_cast<DWORD>(differences.size()));
    EXPECT_EQ(Occurrences(differences, "\n"), Occurrences(differences, "killlib.dll\" = dword:00000000\n") +
                                                  Occurrences(differences, "shareddlls] = key\n"))
        << differences;
    ASSERT_EQ(RunToExit(one, "/S /D=\"" + folder_ + "\""), 0u);
  }
  EXPECT_EQ(RunToExit(one, "/S /U \"" + folder_ + "\""), 0u);
}

}  // namespace
}  // namespace e2e
