#include "pack.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "file_io.h"
#include "payload/crc32.h"
#include "payload_pack.h"
#include "set_names.h"
#include "setup_file.h"
#include "szdd_compress.h"

namespace fs = std::filesystem;

namespace {

// One Files line and what became of its file.
struct Job {
  int line = 0;
  std::string key;     // the set name as written
  std::string newKey;  // the set name it gets in the set
  fs::path source;
  bool plain = false;  // copied, never compressed
  bool self = false;   // Setup.dat itself
  unsigned long long size = 0;
  std::size_t written = 0;
  bool compressed = false;
  std::uint32_t crc = 0;        // of the content as installed
  std::string bytes;            // the content, kept for the one-file form
  const Job* sameAs = nullptr;  // an earlier line with the same set name
};

// The help file the wizard's Help button opens, when the set ships it.
const char kHelpFile[] = "Wizsetup.hlp";
const char kChecksumSection[] = "Checksums";

std::string FileName(const std::string& key) {
  const std::size_t slash = key.find_last_of("\\/");
  return slash == std::string::npos ? key : key.substr(slash + 1);
}

// Whether `inner` is `outer` or a folder below it, as the file system sees
// them: links followed, and names compared as the host compares them.
bool IsWithin(const fs::path& inner, const fs::path& outer) {
  std::error_code error;
  const fs::path stop = fs::weakly_canonical(outer, error);
  if (error) return false;
  fs::path at = fs::weakly_canonical(inner, error);
  if (error) return false;
  for (;;) {
    std::error_code same;
    if (at == stop || fs::equivalent(at, stop, same)) return true;
    if (!at.has_relative_path() || at.parent_path() == at) return false;
    at = at.parent_path();
  }
}

fs::path SetPath(const fs::path& folder, const std::string& key) {
  fs::path path = folder;
  std::size_t start = 0;
  while (start <= key.size()) {
    std::size_t end = key.find_first_of("\\/", start);
    if (end == std::string::npos) end = key.size();
    if (end > start) path /= key.substr(start, end - start);
    start = end + 1;
  }
  return path;
}

void RunJob(Job& job, const PackOptions& options) {
  std::string bytes = ReadWholeFile(job.source);
  job.size = bytes.size();
  job.crc = Crc32(bytes.data(), bytes.size());
  job.newKey = job.key;
  if (!options.exe.empty()) {
    // The one file compresses its payload as a whole.
    job.written = bytes.size();
    job.bytes = std::move(bytes);
    return;
  }
  if (!job.plain) {
    char replaced = job.key.empty() ? '\0' : job.key.back();
    std::string underscored;
    if (options.underscoreNames) underscored = UnderscoreName(job.key, replaced);
    std::string packed = CompressSzdd(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), replaced);
    if (packed.size() < bytes.size()) {
      if (options.underscoreNames) job.newKey = underscored;
      job.compressed = true;
      job.written = packed.size();
      WriteWholeFile(SetPath(options.set, job.newKey), packed);
      return;
    }
  }
  job.written = bytes.size();
  WriteWholeFile(SetPath(options.set, job.newKey), bytes);
}

// Runs every job on `threads` threads; the first failure is rethrown.
void RunAll(std::vector<Job*>& jobs, const PackOptions& options) {
  unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
  if (threads == 0) threads = 1;
  if (threads > jobs.size()) threads = static_cast<unsigned>(jobs.size());
  std::atomic<std::size_t> next{0};
  std::mutex failureLock;
  std::exception_ptr failure;
  auto work = [&]() {
    for (std::size_t at = next++; at < jobs.size(); at = next++) {
      try {
        RunJob(*jobs[at], options);
      } catch (const KitError&) {
        std::lock_guard<std::mutex> hold(failureLock);
        if (!failure) failure = std::current_exception();
      } catch (const std::exception& error) {
        // Out of memory, a file too large: named with its line.
        std::lock_guard<std::mutex> hold(failureLock);
        if (!failure)
          failure = std::make_exception_ptr(
              KitError("Setup.dat:" + std::to_string(jobs[at]->line) + ": " + jobs[at]->key + ": " + error.what()));
      } catch (...) {
        std::lock_guard<std::mutex> hold(failureLock);
        if (!failure) failure = std::current_exception();
      }
    }
  };
  std::vector<std::thread> pool;
  for (unsigned i = 1; i < threads; ++i) pool.emplace_back(work);
  work();
  for (std::thread& thread : pool) thread.join();
  if (failure) std::rethrow_exception(failure);
}

// The text with each listed line's key and size field rewritten; all
// other lines, and the line ends, as they were.
std::string Rewritten(const std::string& text, const std::map<int, const Job*>& byLine, unsigned long long selfSize) {
  std::string out;
  out.reserve(text.size() + byLine.size() * 8);
  int number = 1;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::size_t next = end;
    // The same count of line ends as the splitter: CR LF is one.
    int ends = 0;
    while (next < text.size() && (text[next] == '\r' || text[next] == '\n')) {
      if (text[next] == '\n' || next + 1 == text.size() || text[next + 1] != '\n') ++ends;
      ++next;
    }
    const auto found = byLine.find(number);
    const std::string line = text.substr(at, end - at);
    const std::size_t equals = line.find('=');
    if (found == byLine.end() || equals == std::string::npos) {
      out += line;
    } else {
      const Job& job = *found->second;
      std::size_t valueStart = equals + 1;
      while (valueStart < line.size() && (line[valueStart] == ' ' || line[valueStart] == '\t')) ++valueStart;
      std::size_t valueEnd = line.size();
      while (valueEnd > valueStart && (line[valueEnd - 1] == ' ' || line[valueEnd - 1] == '\t')) --valueEnd;
      const std::string value = line.substr(valueStart, valueEnd - valueStart);
      out += job.newKey + "=" + WithSize(value, job.self ? selfSize : job.size);
    }
    out.append(text, end, next - end);
    number += ends;
    at = next;
  }
  return out;
}

// The text without its checksum section, and a new one at its end: the
// content of every file the set carries, so that Setup.exe knows a
// damaged file from a good one. Setup.dat itself cannot be among them.
std::string WithChecksums(const std::string& text, const std::vector<Job>& jobs) {
  std::string out;
  bool skipping = false;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(at, end - at);
    std::size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '[') {
      const std::size_t close = line.find(']', first);
      const std::string name = line.substr(first + 1, close == std::string::npos ? std::string::npos : close - first - 1);
      skipping = FoldCase(name) == FoldCase(kChecksumSection);
    }
    if (!skipping) out += line;
    at = end;
  }
  const std::string lineEnd = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  if (!out.empty() && out.back() != '\n') out += lineEnd;
  out += lineEnd + "[" + kChecksumSection + "]" + lineEnd;
  for (const Job& job : jobs) {
    if (job.self || job.sameAs) continue;
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(job.crc));
    out += job.newKey + "=" + crc + lineEnd;
  }
  return out;
}

// The findings one to a line, as check prints them.
std::string Lines(const std::vector<Finding>& findings) {
  std::string text;
  for (const Finding& finding : findings) text += (text.empty() ? "" : "\n") + FormatFinding(finding);
  return text;
}

}  // namespace

PackRefused::PackRefused(std::vector<Finding> findings) : KitError(Lines(findings)), findings_(std::move(findings)) {}

PackSummary Pack(const PackOptions& options) {
  // Nothing written may land among the author's own files, and nothing
  // read may be a file of a set written before.
  const bool oneFile = !options.exe.empty();
  if (oneFile && !CanWriteOneFile())
    throw KitError("this build of setupkit writes folder sets only: the one-file form needs the xz library");
  if (oneFile && IsWithin(options.exe.parent_path().empty() ? "." : options.exe.parent_path(), options.product))
    throw KitError(options.exe.string() + ": the program cannot be written inside the product folder");
  if (!oneFile && IsWithin(options.set, options.product))
    throw KitError(options.set.string() + ": the set cannot be written inside the product folder");
  if (!oneFile && IsWithin(options.product, options.set))
    throw KitError(options.set.string() + ": the set folder holds the product folder");
  fs::path datPath;
  if (!FindInFolder(options.product, "Setup.dat", datPath))
    throw KitError((options.product / "Setup.dat").string() + ": no such file");
  // Every fault check finds, all of them at once, before a byte is
  // written: a set half made from a faulty product is worse than none.
  CheckOptions checking;
  checking.beforePack = true;
  checking.setupExe = options.setupExe;
  std::vector<Finding> found = CheckSet(options.product, checking);
  const SetupFile setup(ReadWholeFile(datPath));
  // With the conventional names, two keys may meet in one packed name,
  // which check, reading a set as it is, cannot know.
  if (options.underscoreNames) {
    for (Finding& finding : CheckSetNames(setup, true).findings) {
      const auto same = [&finding](const Finding& f) { return f.line == finding.line && f.text == finding.text; };
      if (std::none_of(found.begin(), found.end(), same)) found.push_back(std::move(finding));
    }
    std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
  }
  const bool refused = std::any_of(found.begin(), found.end(), [](const Finding& f) { return f.error; });
  if (refused) throw PackRefused(std::move(found));
  std::string listName;
  std::vector<SectionLine> lines;
  if (setup.Key(kSetupSection, "Files", listName) && !setup.Section(listName, lines))
    throw KitError("Setup.dat: the Files list [" + listName + "] is missing");
  std::string licence;
  const bool hasLicence = setup.Key(kSetupSection, "License", licence);

  std::vector<Job> jobs(lines.size());
  std::vector<Job*> work;
  std::map<std::string, const Job*> seen;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Job& job = jobs[i];
    job.line = lines[i].number;
    job.key = lines[i].key;
    const std::string folded = FoldCase(FileName(job.key));
    job.self = folded == "SETUP.DAT";
    job.plain = StaysPlain(job.key, hasLicence ? licence : std::string());
    job.newKey = job.key;
    if (job.self) continue;
    // One file, written once, whatever number of lines name it.
    const auto earlier = seen.emplace(SetFileOf(job.key), &job);
    if (!earlier.second) {
      job.sameAs = earlier.first->second;
      continue;
    }
    if (!FindInFolder(options.product, job.key, job.source)) {
      if (folded == "SETUP.EXE" && !options.setupExe.empty())
        job.source = options.setupExe;
      else
        throw KitError("Setup.dat:" + std::to_string(job.line) + ": " + job.key + " is not in " +
                       options.product.string());
    }
    work.push_back(&job);
  }
  // The largest files first, so that no core is left with a big one at
  // the end while the others stand idle.
  for (Job* job : work) {
    std::error_code error;
    job->size = fs::file_size(job->source, error);
  }
  std::stable_sort(work.begin(), work.end(), [](const Job* a, const Job* b) { return a->size > b->size; });
  RunAll(work, options);
  for (Job& job : jobs) {
    if (!job.sameAs) continue;
    job.size = job.sameAs->size;
    job.newKey = job.sameAs->newKey;
  }

  // The licence dialog reads the licence from the set even when the list
  // does not install it.
  fs::path licencePath;
  std::string licenceBytes;
  if (hasLicence && FindInFolder(options.product, licence, licencePath)) {
    licenceBytes = ReadWholeFile(licencePath);
    if (!oneFile) WriteWholeFile(SetPath(options.set, licence), licenceBytes);
  }

  // Setup.dat may list itself, and writing its own size can change that
  // size: rewrite until the size written is the size of the file.
  std::map<int, const Job*> byLine;
  for (const Job& job : jobs) byLine.emplace(job.line, &job);
  unsigned long long selfSize = 0;
  std::string text;
  for (int round = 0;; ++round) {
    text = WithChecksums(Rewritten(setup.text(), byLine, selfSize), jobs);
    if (text.size() == selfSize) break;
    if (round == 8) throw KitError("Setup.dat: its own size does not settle");
    selfSize = text.size();
  }
  PackSummary summary;
  if (oneFile) {
    std::vector<PayloadFile> start{{"Setup.dat", text}};
    if (!licenceBytes.empty()) start.push_back({licence, licenceBytes});
    fs::path helpPath;
    if (FindInFolder(options.product, kHelpFile, helpPath)) start.push_back({kHelpFile, ReadWholeFile(helpPath)});
    std::vector<PayloadFile> files;
    for (Job& job : jobs) {
      if (job.sameAs) continue;
      files.push_back({job.newKey, job.self ? text : std::move(job.bytes)});
    }
    fs::path setupExe = options.setupExe;
    if (setupExe.empty() && !FindInFolder(options.product, "Setup.exe", setupExe))
      throw KitError("Setup.exe: give it with --setup PATH, or put it in the product folder");
    const PayloadSummary packed = WriteOneFile(options.exe, ReadWholeFile(setupExe), start, files, options.threads);
    summary.bytesOut = packed.packed;
    summary.repeated = packed.repeated;
  } else {
    WriteWholeFile(options.set / "Setup.dat", text);
  }

  summary.warnings = std::move(found);
  for (const Job& job : jobs) {
    ++summary.files;
    if (job.self || job.sameAs) continue;
    summary.compressed += job.compressed ? 1 : 0;
    summary.bytesIn += job.size;
    if (!oneFile) summary.bytesOut += job.written;
  }
  return summary;
}
