#include "kit_fixture.h"

#include <random>

#include "file_io.h"

namespace kittest {

const char* ProductFixture::SetupDat() {
  return "[Setup]\r\n"
         "Title=Kit Test 1.0\r\n"
         "App=Kit Test\r\n"
         "DefaultFolder=%P\\Kit Test\r\n"
         "DefaultGroup=Kit Test\r\n"
         "License=LICENSE.TXT\r\n"
         "Files=Files\r\n"
         "RegMachine=Machine\r\n"
         "Shortcuts=Shortcuts\r\n"
         "\r\n"
         "; sizes are filled in by setupkit pack\r\n"
         "[Files]\r\n"
         "APP.EXE=%0\\App.exe,?,0,Program\r\n"
         "README.TXT = %0\\README.TXT,,0,Notes\r\n"
         "NOISE.BIN=%0\\Noise.bin,12,0,Random data\r\n"
         "Setup.exe=%0\\Setup.exe,?\r\n"
         "Setup.dat=%0\\Setup.dat\r\n"
         "\r\n"
         "[Machine]\r\n"
         "Software\\Kit Test=Path|%0\r\n"
         "Software\\Kit Test:2=Version|1.0\r\n"
         "\r\n"
         "[Shortcuts]\r\n"
         "Kit Test=1,%0\\App.exe,%0\r\n"
         "Read Me=1,%0\\README.TXT,%0\r\n";
}

ProductFixture::ProductFixture() {
  for (int i = 0; i < 3000; ++i)
    program += std::string("MZ\x90\0code ", 9) + std::to_string(i % 97) + std::string(i % 13, '\0');
  for (int i = 0; i < 200; ++i) notes += "Kit Test release notes, line " + std::to_string(i) + ".\r\n";
  std::mt19937 generator(42);
  for (int i = 0; i < 5000; ++i) noise += static_cast<char>(generator() & 0xFF);
  licence = "You may use Kit Test as you like.\r\n";
  // A setup program that would compress well: it must stay plain anyway.
  setupExe = "MZ" + std::string(20000, 'S');
  WriteWholeFile(product_.path() / "Setup.dat", SetupDat());
  WriteWholeFile(product_.path() / "APP.EXE", program);
  // Found without regard to case, as on Windows.
  WriteWholeFile(product_.path() / "readme.txt", notes);
  WriteWholeFile(product_.path() / "NOISE.BIN", noise);
  WriteWholeFile(product_.path() / "LICENSE.TXT", licence);
  WriteWholeFile(build_.path() / "Setup.exe", setupExe);
}

PackOptions ProductFixture::Options() const {
  PackOptions options;
  options.product = product_.path();
  options.set = set_.path();
  options.setupExe = build_.path() / "Setup.exe";
  options.threads = 3;
  return options;
}

int LineOf(const std::string& text, const std::string& part) {
  const std::size_t at = text.find(part);
  if (at == std::string::npos) return 0;
  int line = 1;
  for (std::size_t i = 0; i < at; ++i) line += text[i] == '\n' ? 1 : 0;
  return line;
}

}  // namespace kittest
