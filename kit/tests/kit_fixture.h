#pragma once
#include <string>

#include "kit_temp_folder.h"
#include "pack.h"

namespace kittest {

// An author's product folder for a small program: Setup.dat with sizes
// left as "?", empty and wrong, a program that compresses well, notes, a
// file of noise that does not shrink, and a licence the list does not
// install. Setup.exe comes from outside the product, as from a build.
class ProductFixture {
public:
  ProductFixture();

  const TempFolder& product() const { return product_; }
  const TempFolder& set() const { return set_; }
  PackOptions Options() const;

  // The texts and contents, to compare a set with.
  static const char* SetupDat();
  std::string program;
  std::string notes;
  std::string noise;
  std::string licence;
  std::string setupExe;

private:
  TempFolder product_;
  TempFolder set_;
  TempFolder build_;
};

// The number of the first line of `text` that contains `part`, from 1;
// 0 when none does.
int LineOf(const std::string& text, const std::string& part);

}  // namespace kittest
