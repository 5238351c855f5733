// setupkit: packs an installation set and checks it before it ships.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "check.h"
#include "file_io.h"
#include "init.h"
#include "pack.h"

namespace {

const char kUsage[] =
    "usage: setupkit pack [--underscore] [--setup PATH] [--threads N] PRODUCT_FOLDER SET_FOLDER\n"
    "       setupkit pack --exe OUT.exe [--setup PATH] [--threads N] PRODUCT_FOLDER\n"
    "       setupkit check SET_FOLDER\n"
    "       setupkit init PRODUCT_FOLDER\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int RunPack(int argc, char** argv) {
  PackOptions options;
  int positional = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--underscore") {
      options.underscoreNames = true;
    } else if (arg == "--exe" && i + 1 < argc) {
      options.exe = argv[++i];
    } else if (arg == "--setup" && i + 1 < argc) {
      options.setupExe = argv[++i];
    } else if (arg == "--threads" && i + 1 < argc) {
      options.threads = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (positional == 0) {
      options.product = arg;
      ++positional;
    } else if (positional == 1) {
      options.set = arg;
      ++positional;
    } else {
      return Usage();
    }
  }
  if (positional != (options.exe.empty() ? 2 : 1)) return Usage();
  const PackSummary summary = Pack(options);
  for (const Finding& finding : summary.warnings) std::fprintf(stderr, "%s\n", FormatFinding(finding).c_str());
  if (!options.exe.empty()) {
    std::printf("%zu files, %zu sharing another's content: %llu bytes packed into %llu\n", summary.files,
                summary.repeated, summary.bytesIn, summary.bytesOut);
    return 0;
  }
  std::printf("%zu files, %zu compressed: %llu bytes packed into %llu\n", summary.files, summary.compressed,
              summary.bytesIn, summary.bytesOut);
  return 0;
}

int RunInit(const char* folder) {
  const InitSummary summary = InitProduct(folder);
  for (const std::string& skipped : summary.skipped) std::fprintf(stderr, "setupkit: left out %s\n", skipped.c_str());
  std::printf("Setup.dat written: %zu file lines%s%s\n", summary.files, summary.licence.empty() ? "" : ", licence ",
              summary.licence.c_str());
  return 0;
}

int RunCheck(const char* folder) {
  int errors = 0;
  for (const Finding& finding : CheckSet(folder)) {
    std::printf("%s\n", FormatFinding(finding).c_str());
    errors += finding.error ? 1 : 0;
  }
  return errors ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  try {
    if (command == "pack") return RunPack(argc, argv);
    if (command == "check" && argc == 3) return RunCheck(argv[2]);
    if (command == "init" && argc == 3) return RunInit(argv[2]);
  } catch (const PackRefused& refused) {
    // In check's form, so that an editor can jump to each line.
    std::fprintf(stderr, "%s\n", refused.what());
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "setupkit: %s\n", error.what());
    return 1;
  }
  return Usage();
}
