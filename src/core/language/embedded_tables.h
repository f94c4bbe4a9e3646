#pragma once
// The three language tables compiled into the program (generated at build time from
// english.ini, chinese.ini and french.ini next to this header).

#include <string_view>

namespace scanvale {

// The bytes of the table carried under `name` ("English", "Chinese", "French"; the case
// of the name is ignored). Empty when no table of that name is carried.
std::string_view EmbeddedLanguageTable(std::string_view name);

}  // namespace scanvale
