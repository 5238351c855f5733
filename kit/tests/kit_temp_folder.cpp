#include "kit_temp_folder.h"

#include <atomic>
#include <chrono>
#include <system_error>

namespace kittest {

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = std::filesystem::temp_directory_path() /
            ("setupkit-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::error_code error;
    if (std::filesystem::create_directory(path_, error)) return;
  }
  throw std::filesystem::filesystem_error("no temporary folder can be made", path_,
                                          std::make_error_code(std::errc::permission_denied));
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace kittest
