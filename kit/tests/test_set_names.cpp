// Hostile names in a product's Setup.dat: pack and check refuse them, each
// on its line, and the kit writes nothing, least of all outside the set.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "check.h"
#include "file_io.h"
#include "kit_fixture.h"
#include "pack.h"

namespace fs = std::filesystem;

namespace {

const char kHostileDat[] =
    "[Setup]\r\n"
    "Title=Hostile\r\n"
    "License=..\\secret.txt\r\n"
    "Files=Files\r\n"
    "[Files]\r\n"
    "..\\shared\\LIB.DLL=%0\\LIB.DLL,20\r\n"
    "\\shared\\LIB.DLL=%0\\LIB2.DLL,20\r\n"
    "C:LIB.DLL=%0\\LIB3.DLL,20\r\n"
    "sub\\. .\\..\\shared\\LIB.DLL=%0\\LIB4.DLL,20\r\n"
    "GOOD.TXT=%0\\..\\..\\Windows\\GOOD.TXT,4\r\n"
    "A.DLL=%0\\A.DLL,4\r\n"
    "A.DLX=%0\\A.DLX,4\r\n"
    "sub\\B.TXT=%0\\B1.TXT,4\r\n"
    "SUB/b.txt=%0\\B2.TXT,4\r\n"
    "sub\\B.TX_=%0\\B3.TXT,4\r\n";

// Line number to the text of the errors of `findings` on that line.
std::map<int, std::string> ByLine(const std::vector<Finding>& findings) {
  std::map<int, std::string> lines;
  for (const Finding& finding : findings) {
    if (finding.error) lines[finding.line] += FormatFinding(finding);
  }
  return lines;
}

TEST(SetNames, HostileKeysAreRefusedOnTheirLinesAndNothingOutsideTheSetIsTouched) {
  kittest::TempFolder root;
  const fs::path product = root.path() / "product";
  const fs::path set = root.path() / "set";
  const std::string library = std::string("the author's own DLL");
  WriteWholeFile(root.path() / "shared" / "LIB.DLL", library);
  WriteWholeFile(root.path() / "secret.txt", "secret");
  WriteWholeFile(product / "Setup.dat", kHostileDat);
  for (const char* name : {"GOOD.TXT", "A.DLL", "A.DLX", "sub/B.TXT", "sub/B.TX_"})
    WriteWholeFile(product / name, std::string(4000, 'a'));

  PackOptions options;
  options.product = product;
  options.set = set;
  options.setupExe = product / "GOOD.TXT";
  options.underscoreNames = true;
  std::map<int, std::string> refused;
  try {
    Pack(options);
    ADD_FAILURE() << "packed";
  } catch (const PackRefused& error) {
    refused = ByLine(error.findings());
  }
  const std::string dat = kHostileDat;
  auto line = [&dat](const char* part) { return kittest::LineOf(dat, part); };
  const std::map<int, std::string> expected = {
      {line("License="), "secret.txt is outside the set"},
      {line("..\\shared\\LIB.DLL="), "leaves the set"},
      {line("\\shared\\LIB.DLL=%0\\LIB2"), "names a root or a drive"},
      {line("C:LIB.DLL="), "names a root or a drive"},
      {line("sub\\. .\\"), "leaves the set"},
      {line("GOOD.TXT="), "leaves its folder"},
      // Both compress to A.DL_; the second line names the first.
      {line("A.DLX="), "the key A.DLX and the key A.DLL on line " + std::to_string(line("A.DLL=")) +
                           " map to one file in the set, A.DL_"},
      // B.TXT and its other spelling are one file; B.TX_ is B.TXT packed.
      {line("sub\\B.TX_="), "the key sub\\B.TX_ and the key sub\\B.TXT on line " + std::to_string(line("sub\\B.TXT"))},
  };
  EXPECT_EQ(refused.size(), expected.size());
  for (const auto& [number, says] : expected)
    EXPECT_NE(refused[number].find(says), std::string::npos) << "line " << number << ": " << refused[number];
  EXPECT_FALSE(fs::exists(set));
  EXPECT_EQ(ReadWholeFile(root.path() / "shared" / "LIB.DLL"), library);

  // check reads the same names in a set; without packing, no underscore
  // names, so A.DLL and A.DLX are two files, and B.TX_ is a file of its own.
  std::map<int, std::string> found = ByLine(CheckSet(product));
  for (const auto& [number, says] : expected) {
    if (number == line("A.DLX=") || number == line("sub\\B.TX_=")) {
      EXPECT_EQ(found[number].find("map to one file"), std::string::npos) << found[number];
      continue;
    }
    EXPECT_NE(found[number].find(says), std::string::npos) << "line " << number << ": " << found[number];
    // Refused alone: nothing outside the set was looked at for it.
    EXPECT_EQ(found[number].find("Setup.dat:", 1), std::string::npos) << found[number];
  }
}

TEST(SetNames, TheSetFolderIsNeverInsideTheProductFolderNorAroundIt) {
  kittest::ProductFixture fixture;
  PackOptions options = fixture.Options();
  for (const fs::path& inside : {options.product, options.product / "set", options.product / "a" / ".." / "b"}) {
    options.set = inside;
    EXPECT_THROW(Pack(options), KitError) << inside;
  }
  EXPECT_FALSE(fs::exists(options.product / "set"));
  EXPECT_FALSE(fs::exists(options.product / "b"));
  // The reverse: a product folder inside the set folder it would fill.
  options = fixture.Options();
  options.set = options.product.parent_path();
  EXPECT_THROW(Pack(options), KitError);
  // Beside each other is what a set folder is.
  options = fixture.Options();
  EXPECT_NO_THROW(Pack(options));
}

}  // namespace
