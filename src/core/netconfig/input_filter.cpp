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
  out.caret = CaretAfterFilter(caret, out.removed, static_cast<int>(out.text.size()));
  return out;
}

}  // namespace

FilteredText FilterIdentityField(std::string_view text, int caret) {
  return FilterKeeping(text, caret, [](char c) { return KeepsIdentityChar(static_cast<unsigned char>(c)); });
}

FilteredText FilterAddressField(std::string_view text, int caret) {
  return FilterKeeping(text, caret, [](char c) { return KeepsAddressChar(static_cast<unsigned char>(c)); });
}

FilteredText FilterDigitField(std::string_view text, int caret) {
  return FilterKeeping(text, caret, [](char c) { return KeepsDigitChar(static_cast<unsigned char>(c)); });
}

}  // namespace scanvale
