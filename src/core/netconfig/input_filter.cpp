#include "netconfig/input_filter.h"

namespace scanvale {

namespace {

template <typename Keep>
FilteredText FilterKeeping(std::string_view text, int caret, Keep keep) {
  FilteredText out;
  out.text.reserve(text.size());
  for (char c : text) {
    if (keep(c))
      out.text.push_back(c);
    else
      ++out.removed;
  }
  const int length = static_cast<int>(out.text.size());
  int position = caret - out.removed;
  if (position < 0) position = 0;
  out.caret = position > length ? length : position;
  return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

FilteredText FilterIdentityField(std::string_view text, int caret) {
  return FilterKeeping(text, caret, [](char c) { return c != ','; });
}

FilteredText FilterAddressField(std::string_view text, int caret) {
  return FilterKeeping(text, caret, [](char c) { return IsDigit(c) || c == '.'; });
}

FilteredText FilterDigitField(std::string_view text, int caret) {
  return FilterKeeping(text, caret, IsDigit);
}

}  // namespace scanvale
