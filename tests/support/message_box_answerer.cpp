#include "support/message_box_answerer.h"

#include <chrono>
#include <set>

namespace testsupport {

MessageBoxAnswerer::MessageBoxAnswerer(int answer)
    : MessageBoxAnswerer(Chooser([answer](const uiauto::MessageBoxInfo&) { return answer; })) {}

MessageBoxAnswerer::MessageBoxAnswerer(Chooser chooser) : chooser_(std::move(chooser)) {
  thread_ = std::thread([this] { Run(); });
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  stop_ = true;
  thread_.join();
}

void MessageBoxAnswerer::Run() {
  const DWORD self = GetCurrentProcessId();
  std::set<HWND> answered;
  while (!stop_) {
    auto box = uiauto::FindMessageBox(self);
    if (box && !answered.count(box->hwnd)) {
      answered.insert(box->hwnd);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        boxes_.push_back(*box);
      }
      uiauto::Answer(*box, chooser_(*box));
    }
    // A box's handle can be reused once it is gone.
    for (auto it = answered.begin(); it != answered.end();)
      it = IsWindow(*it) ? std::next(it) : answered.erase(it);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<uiauto::MessageBoxInfo> MessageBoxAnswerer::Boxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

std::vector<std::string> MessageBoxAnswerer::Texts() const {
  std::vector<std::string> texts;
  for (const auto& box : Boxes()) texts.push_back(box.text);
  return texts;
}

DialogDriver::DialogDriver(std::string caption, Action action)
    : caption_(std::move(caption)), action_(std::move(action)) {
  thread_ = std::thread([this] {
    const DWORD self = GetCurrentProcessId();
    std::set<HWND> handled;
    while (!stop_) {
      for (HWND dialog : uiauto::FindWindows(self, uiauto::DialogFilter(caption_))) {
        if (handled.count(dialog) || uiauto::IsMessageBox(dialog)) continue;
        handled.insert(dialog);
        ++count_;
        action_(dialog);
      }
      for (auto it = handled.begin(); it != handled.end();)
        it = IsWindow(*it) ? std::next(it) : handled.erase(it);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
}

DialogDriver::~DialogDriver() {
  stop_ = true;
  thread_.join();
}

}  // namespace testsupport
