// uiauto: common helpers and Process.
#include "uiauto.h"
#include "uiauto_internal.h"

#include <chrono>
#include <cstdio>
#include <utility>

namespace uiauto {

namespace {
thread_local std::string tLastError;
}  // namespace

const std::string& LastError() { return tLastError; }

namespace detail {

bool Fail(const std::string& why) {
  tLastError = why;
  return false;
}

std::string HwndToString(HWND hwnd) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%08llX",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
  return buf;
}

std::string Win32ErrorText(DWORD code) {
  char* msg = nullptr;
  const DWORD len = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&msg), 0, nullptr);
  std::string text = "error " + std::to_string(code);
  if (len != 0 && msg != nullptr) {
    std::string s(msg, len);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    text += " (" + s + ")";
  }
  if (msg != nullptr) LocalFree(msg);
  return text;
}

std::string QuoteForLog(const std::string& text) {
  constexpr std::size_t kMaxShown = 300;
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size() && i < kMaxShown; ++i) {
    const char c = text[i];
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  out += '"';
  if (text.size() > kMaxShown) out += "...(" + std::to_string(text.size()) + " chars)";
  return out;
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

namespace {
unsigned long long NowMs() {
  using namespace std::chrono;
  return static_cast<unsigned long long>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

Deadline::Deadline(DWORD timeoutMs) : startMs_(NowMs()), timeoutMs_(timeoutMs) {}

DWORD Deadline::ElapsedMs() const {
  const unsigned long long elapsed = NowMs() - startMs_;
  return elapsed > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(elapsed);
}

DWORD Deadline::Remaining() const {
  const DWORD elapsed = ElapsedMs();
  return elapsed >= timeoutMs_ ? 0 : timeoutMs_ - elapsed;
}

}  // namespace detail

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs, DWORD pollMs) {
  const detail::Deadline deadline(timeoutMs);
  for (;;) {
    if (cond()) return true;
    const DWORD left = deadline.Remaining();
    if (left == 0) return false;
    Sleep(left < pollMs ? left : pollMs);
  }
}

// ---------------------------------------------------------------------------

void UniqueHandle::reset(HANDLE h) {
  if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  h_ = h;
}

std::optional<Process> Process::Start(const std::string& commandLine,
                                      const std::string& workingDir) {
  // A job that kills its members when its last handle closes takes along
  // whatever the program started itself. Without job support (or when we
  // already run inside a job that forbids nesting) the process still runs,
  // only Kill() then reaches the process alone.
  UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
  if (job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits)) {
      job.reset();
    }
  }

  // CreateProcessA may write into the command line buffer.
  std::vector<char> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  // Suspended so that it cannot start a child before it is in the job.
  const DWORD flags = job ? CREATE_SUSPENDED : 0;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, flags, nullptr,
                      workingDir.empty() ? nullptr : workingDir.c_str(), &si, &pi)) {
    const DWORD err = GetLastError();
    detail::Fail("CreateProcessA(" + detail::QuoteForLog(commandLine) + ", folder " +
                 detail::QuoteForLog(workingDir) + ") failed: " + detail::Win32ErrorText(err));
    return std::nullopt;
  }

  Process p;
  p.process_.reset(pi.hProcess);
  p.thread_.reset(pi.hThread);
  p.id_ = pi.dwProcessId;
  if (job && AssignProcessToJobObject(job.get(), pi.hProcess)) p.job_ = std::move(job);
  if (flags & CREATE_SUSPENDED) ResumeThread(pi.hThread);
  return std::optional<Process>(std::move(p));
}

Process::Process(Process&& other) noexcept
    : job_(std::move(other.job_)),
      process_(std::move(other.process_)),
      thread_(std::move(other.thread_)),
      id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    if (IsRunning()) Kill();
    thread_ = std::move(other.thread_);
    process_ = std::move(other.process_);
    job_ = std::move(other.job_);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

Process::~Process() {
  if (IsRunning()) Kill();
  // Closing the job (last member) ends anything the program left running.
}

bool Process::IsRunning() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(DWORD timeoutMs) const {
  if (!process_) return detail::Fail("no process");
  const DWORD r = WaitForSingleObject(process_.get(), timeoutMs);
  if (r == WAIT_OBJECT_0) return true;
  return detail::Fail("process " + std::to_string(id_) + " still running after " +
                      std::to_string(timeoutMs) + " ms");
}

std::optional<DWORD> Process::ExitCode() const {
  if (!process_ || IsRunning()) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
  return code;
}

bool Process::Kill(UINT exitCode) {
  if (!process_) return true;
  if (!IsRunning()) return true;
  if (job_) {
    TerminateJobObject(job_.get(), exitCode);
  }
  if (IsRunning()) TerminateProcess(process_.get(), exitCode);
  if (WaitForSingleObject(process_.get(), kDefaultTimeoutMs) == WAIT_OBJECT_0) return true;
  return detail::Fail("process " + std::to_string(id_) + " did not end after being killed");
}

bool Process::WaitUntilIdle(DWORD timeoutMs) const {
  if (!process_) return detail::Fail("no process");
  const DWORD r = ::WaitForInputIdle(process_.get(), timeoutMs);
  if (r == 0) return true;
  if (r == WAIT_TIMEOUT) {
    return detail::Fail("process " + std::to_string(id_) + " not idle after " +
                        std::to_string(timeoutMs) + " ms");
  }
  return detail::Fail("WaitForInputIdle failed: " + detail::Win32ErrorText(GetLastError()));
}

// ---------------------------------------------------------------------------

std::string QuoteArg(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  // Backslashes are literal except before a quote, where they escape:
  // double those, and the ones before the closing quote.
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  out += '"';
  return out;
}

std::string ThisExecutablePath() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

std::string PathBesideThisExecutable(const std::string& fileName) {
  const std::string self = ThisExecutablePath();
  const std::size_t slash = self.find_last_of("\\/");
  if (slash == std::string::npos) return fileName;
  return self.substr(0, slash + 1) + fileName;
}

}  // namespace uiauto
