#include "update/list_split.h"

#include "platform/text.h"

void splitDoubleBar(const std::u16string& text, std::vector<std::u16string>& tokens) {
  std::u16string token;
  int doubleBars = 0;
  const std::size_t length = text.size();
  std::size_t i = 0;
  while (i < length) {
    if (text[i] == u'|' && i + 1 < length && text[i + 1] == u'|') {
      doubleBars += 1;
      if (doubleBars > 1) tokens.push_back(token);
      token.clear();
      i += 2;
      if (i >= length) break;
      token += text[i];  // whatever it is, even a third "|"
      i += 1;
    } else {
      token += text[i];
      i += 1;
    }
  }
  if (!token.empty()) tokens.push_back(token);
}

bool splitBarPair(const std::u16string& token, std::u16string& first, std::u16string& second) {
  const auto pos = token.find(u'|');
  if (pos == std::u16string::npos || pos == 0) return false;
  second = token.substr(0, pos);
  platform::to_upper(second);
  first = token.substr(pos + 1);
  return true;
}
