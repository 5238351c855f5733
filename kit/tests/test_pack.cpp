// setupkit pack: what a set holds after packing, file by file and line by
// line, and that what it packs expands to what the author gave.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "check.h"
#include "file_io.h"
#include "kit_fixture.h"
#include "payload/crc32.h"
#include "reference_expand.h"
#include "szdd_compress.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> FilesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

std::string Expanded(const fs::path& packed, const kittest::TempFolder& scratch) {
  const std::string out = scratch.File("expanded");
  fs::remove(out);
  const std::string failure = ReferenceExpand(packed.string(), out);
  EXPECT_EQ(failure, "") << ReferenceName();
  return failure.empty() ? ReadWholeFile(out) : std::string();
}

std::string Line(const std::string& text, int number) {
  std::size_t at = 0;
  for (int line = 1; line < number; ++line) at = text.find('\n', at) + 1;
  return text.substr(at, text.find('\r', at) - at);
}

TEST(Pack, ASetHoldsEveryListedFileTrueSizesAndOnlyWhatShrinksCompressed) {
  kittest::ProductFixture fixture;
  const PackSummary summary = Pack(fixture.Options());
  const fs::path set = fixture.set().path();
  EXPECT_EQ(FilesIn(set),
            (std::set<std::string>{"APP.EXE", "README.TXT", "NOISE.BIN", "Setup.exe", "Setup.dat", "LICENSE.TXT"}));
  EXPECT_EQ(summary.files, 5u);
  EXPECT_EQ(summary.compressed, 2u);

  // Compressed under their own names, expanding to the author's bytes.
  kittest::TempFolder scratch;
  std::uint32_t recorded = 0;
  const std::string app = ReadWholeFile(set / "APP.EXE");
  ASSERT_TRUE(ReadSzddHeader(app, recorded));
  EXPECT_EQ(recorded, fixture.program.size());
  EXPECT_LT(app.size(), fixture.program.size() / 2);
  EXPECT_TRUE(Expanded(set / "APP.EXE", scratch) == fixture.program);
  EXPECT_TRUE(Expanded(set / "README.TXT", scratch) == fixture.notes);
  // Noise would grow: copied as it is. What the set itself reads stays
  // plain however well it would compress.
  EXPECT_TRUE(ReadWholeFile(set / "NOISE.BIN") == fixture.noise);
  EXPECT_TRUE(ReadWholeFile(set / "Setup.exe") == fixture.setupExe);
  EXPECT_TRUE(ReadWholeFile(set / "LICENSE.TXT") == fixture.licence);

  // Every size the true expanded size ("?", empty, wrong and absent alike),
  // Setup.dat's its own; everything else as the author wrote it.
  const std::string dat = ReadWholeFile(set / "Setup.dat");
  const std::string source = kittest::ProductFixture::SetupDat();
  const int files = kittest::LineOf(source, "APP.EXE=");
  EXPECT_EQ(Line(dat, files), "APP.EXE=%0\\App.exe," + std::to_string(fixture.program.size()) + ",0,Program");
  EXPECT_EQ(Line(dat, files + 1), "README.TXT=%0\\README.TXT," + std::to_string(fixture.notes.size()) + ",0,Notes");
  EXPECT_EQ(Line(dat, files + 2), "NOISE.BIN=%0\\Noise.bin,5000,0,Random data");
  EXPECT_EQ(Line(dat, files + 3), "Setup.exe=%0\\Setup.exe," + std::to_string(fixture.setupExe.size()));
  EXPECT_EQ(Line(dat, files + 4), "Setup.dat=%0\\Setup.dat," + std::to_string(dat.size()));
  for (int line = 1; line < files; ++line) EXPECT_EQ(Line(dat, line), Line(source, line));
  const std::size_t checksums = dat.find("\r\n[Checksums]\r\n");
  ASSERT_NE(checksums, std::string::npos);
  EXPECT_EQ(dat.substr(dat.find("[Machine]"), checksums - dat.find("[Machine]")),
            source.substr(source.find("[Machine]")));
  // Each file's checksum, of the content it installs, Setup.dat's own left out.
  const auto crc = [](const std::string& bytes) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(Crc32(bytes.data(), bytes.size())));
    return std::string(text);
  };
  EXPECT_EQ(dat.substr(checksums + 15), "APP.EXE=" + crc(fixture.program) + "\r\nREADME.TXT=" + crc(fixture.notes) +
                                            "\r\nNOISE.BIN=" + crc(fixture.noise) +
                                            "\r\nSetup.exe=" + crc(fixture.setupExe) + "\r\n");

  // What pack makes, check passes.
  for (const Finding& finding : CheckSet(set)) ADD_FAILURE() << FormatFinding(finding);

  // Packing again over the set gives the same set.
  Pack(fixture.Options());
  EXPECT_EQ(ReadWholeFile(set / "Setup.dat"), dat);
  EXPECT_EQ(ReadWholeFile(set / "APP.EXE"), app);
}

TEST(Pack, UnderscoreNamesRecordTheReplacedCharacterAndRenameTheListLine) {
  kittest::ProductFixture fixture;
  PackOptions options = fixture.Options();
  options.underscoreNames = true;
  options.threads = 1;
  Pack(options);
  const fs::path set = fixture.set().path();
  EXPECT_EQ(FilesIn(set),
            (std::set<std::string>{"APP.EX_", "README.TX_", "NOISE.BIN", "Setup.exe", "Setup.dat", "LICENSE.TXT"}));
  EXPECT_EQ(ReadWholeFile(set / "APP.EX_")[9], 'E');
  EXPECT_EQ(ReadWholeFile(set / "README.TX_")[9], 'T');
  const std::string dat = ReadWholeFile(set / "Setup.dat");
  EXPECT_NE(dat.find("\r\nAPP.EX_=%0\\App.exe,"), std::string::npos);
  EXPECT_NE(dat.find("\r\nREADME.TX_=%0\\README.TXT,"), std::string::npos);
  EXPECT_NE(dat.find("\r\nNOISE.BIN=%0\\Noise.bin,5000,"), std::string::npos);
  for (const Finding& finding : CheckSet(set)) ADD_FAILURE() << FormatFinding(finding);
}

TEST(Pack, AUnicodeSetupDatIsWrittenInTheAnsiCodePageAsSetupExeReadsIt) {
  kittest::ProductFixture fixture;
  // UTF-16, little end first, with an e acute and a euro sign in the title.
  std::string text = kittest::ProductFixture::SetupDat();
  const std::size_t title = text.find("Kit Test 1.0");
  text.replace(title, 3, "K\x01\x02t");  // stand-ins, widened below
  std::string wide = "\xFF\xFE";
  for (char c : text) {
    const unsigned code = c == '\x01' ? 0xE9u : c == '\x02' ? 0x20ACu : static_cast<unsigned char>(c);
    wide += static_cast<char>(code & 0xFF);
    wide += static_cast<char>(code >> 8);
  }
  WriteWholeFile(fixture.product().path() / "Setup.dat", wide);
  Pack(fixture.Options());
  const std::string dat = ReadWholeFile(fixture.set().path() / "Setup.dat");
  EXPECT_EQ(Line(dat, 2), "Title=K\xE9\x80t Test 1.0");
  EXPECT_NE(dat.find("\r\nAPP.EXE=%0\\App.exe," + std::to_string(fixture.program.size()) + ",0,Program\r\n"),
            std::string::npos);
  for (const Finding& finding : CheckSet(fixture.set().path())) ADD_FAILURE() << FormatFinding(finding);

  // Packing into the product folder itself would overwrite the sources.
  PackOptions options = fixture.Options();
  options.set = options.product;
  EXPECT_THROW(Pack(options), KitError);
}

TEST(Pack, AMissingSourceOrSetupDatIsNamedAndNothingIsGuessed) {
  kittest::ProductFixture fixture;
  fs::remove(fixture.product().path() / "NOISE.BIN");
  try {
    Pack(fixture.Options());
    ADD_FAILURE() << "packed without NOISE.BIN";
  } catch (const KitError& error) {
    const int line = kittest::LineOf(kittest::ProductFixture::SetupDat(), "NOISE.BIN=");
    EXPECT_NE(
        std::string(error.what())
            .find("Setup.dat:" + std::to_string(line) + ": error: the source NOISE.BIN is not in the product folder"),
        std::string::npos)
        << error.what();
  }
  EXPECT_FALSE(fs::exists(fixture.set().path() / "Setup.dat"));

  // Without a Setup.exe from outside, the product must have one.
  PackOptions options = fixture.Options();
  WriteWholeFile(fixture.product().path() / "NOISE.BIN", fixture.noise);
  options.setupExe.clear();
  EXPECT_THROW(Pack(options), KitError);
  fs::remove(fixture.product().path() / "Setup.dat");
  EXPECT_THROW(Pack(fixture.Options()), KitError);
}

}  // namespace
