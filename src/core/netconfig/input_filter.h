#pragma once
// Text fields of the network dialogs filter their own input on every change: identity
// fields lose their commas (a comma would split a package field), address fields keep
// only digits and dots, octet fields only digits.

#include <string>
#include <string_view>

namespace scanvale {

struct FilteredText {
  std::string text;
  int caret = 0;    // where the caret goes after filtering
  int removed = 0;  // characters taken out
};

// The caret moves back by the number of characters removed (anywhere in the text) and
// never past the end of the filtered text.
// What each kind of field keeps, character by character (a window filters its own text
// units with these), and where the caret goes afterwards.
inline bool KeepsIdentityChar(char32_t c) { return c != U','; }
inline bool KeepsDigitChar(char32_t c) { return c >= U'0' && c <= U'9'; }
inline bool KeepsAddressChar(char32_t c) { return KeepsDigitChar(c) || c == U'.'; }
inline int CaretAfterFilter(int caret, int removed, int length) {
  const int position = caret - removed < 0 ? 0 : caret - removed;
  return position > length ? length : position;
}

FilteredText FilterIdentityField(std::string_view text, int caret);  // Model, Project, Name, MAC
FilteredText FilterAddressField(std::string_view text, int caret);   // "1234567890." only
FilteredText FilterDigitField(std::string_view text, int caret);     // "1234567890" only

}  // namespace scanvale
