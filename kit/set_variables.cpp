#include "set_variables.h"

std::string SetVariables::Expand(const std::string& text, char& undefined) const {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '%' || at + 1 == text.size()) {
      out += text[at];
      continue;
    }
    const char key = text[++at];
    if (key == '%') {
      out += '%';
      continue;
    }
    const auto found = values_.find(key);
    if (found == values_.end()) {
      if (!undefined) undefined = key;
      out += '%';
      out += key;
      continue;
    }
    out += found->second;
  }
  return out;
}

SetVariables SetVariables::System() {
  SetVariables variables;
  const std::string profile = "C:\\Documents and Settings\\Administrator";
  variables.Set('P', "C:\\Program Files");
  variables.Set('W', "C:\\WINDOWS");
  variables.Set('S', "C:\\WINDOWS\\system32");
  variables.Set('D', profile + "\\Desktop");
  variables.Set('G', profile + "\\Start Menu\\Programs");
  variables.Set('R', profile + "\\Start Menu\\Programs\\Startup");
  variables.Set('I', "D:");
  return variables;
}
