#pragma once
#include <map>
#include <string>

// The installation variables as a check assumes them: those the set
// defines with their values, the system's with typical values of a
// Windows of long folder names, so that a path that fits here fits on
// the machines the set is for.
class SetVariables {
public:
  void Set(char key, const std::string& value) { values_[key] = value; }
  bool Has(char key) const { return values_.count(key) != 0; }

  // `text` with "%X" replaced as Setup.exe replaces it ("%%" is "%", an
  // undefined "%X" stays). `undefined` gets the first undefined key, or
  // stays 0.
  std::string Expand(const std::string& text, char& undefined) const;

  // The system's variables: folders, desktop, program groups.
  static SetVariables System();

private:
  std::map<char, std::string> values_;
};
