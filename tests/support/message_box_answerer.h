#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "uiauto.h"

namespace testsupport {

// Answers the message boxes that this very process shows (the code under
// test calls MessageBoxA on the test's thread and waits) from a background
// thread, and records what each said.
class MessageBoxAnswerer {
public:
  using Chooser = std::function<int(const uiauto::MessageBoxInfo&)>;

  explicit MessageBoxAnswerer(int answer = IDOK);
  explicit MessageBoxAnswerer(Chooser chooser);
  ~MessageBoxAnswerer();
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

  // The boxes answered so far, in order.
  std::vector<uiauto::MessageBoxInfo> Boxes() const;
  // Only their texts.
  std::vector<std::string> Texts() const;

private:
  void Run();

  Chooser chooser_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<uiauto::MessageBoxInfo> boxes_;
  std::thread thread_;
};

// Runs `action` on a background thread for each visible dialog of this
// process with the given caption (dialogs that are not message boxes),
// e.g. to press a button of a modal dialog the code under test shows.
class DialogDriver {
public:
  using Action = std::function<void(HWND)>;
  DialogDriver(std::string caption, Action action);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  int Count() const { return count_; }

private:
  std::string caption_;
  Action action_;
  std::atomic<bool> stop_{false};
  std::atomic<int> count_{0};
  std::thread thread_;
};

}  // namespace testsupport
