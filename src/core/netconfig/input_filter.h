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
FilteredText FilterIdentityField(std::string_view text, int caret);  // Model, Project, Name, MAC
FilteredText FilterAddressField(std::string_view text, int caret);   // "1234567890." only
FilteredText FilterDigitField(std::string_view text, int caret);     // "1234567890" only

}  // namespace scanvale
