#pragma once
// How a sign-in prompt uses the remembered credentials of the settings file: what it shows
// when it opens and what it hands back when it closes.

#include <string>

#include "settings/settings_file.h"

namespace scanvale {

inline constexpr const char* kDefaultSignInID = "admin";
inline constexpr const char* kDefaultSignInPW = "8629";

// What the sign-in window's fields hold (IDEdit, PWEdit, RememberMeBox).
struct tSignInFields {
  std::string id;
  std::string password;
  bool rememberMe = false;

  friend bool operator==(const tSignInFields&, const tSignInFields&) = default;
};

// The window's result together with its fields as they were when it closed.
struct tSignInAnswer {
  bool ok = false;  // confirmed with a non-empty ID; otherwise cancelled
  tSignInFields fields;
};

// The remembered credentials when the remember option is on, else "admin" and the default
// password with the box unchecked.
tSignInFields SignInPrefill(const tSettingsState& state);

// After the window: a confirmed answer becomes the remembered credentials; either answer
// sets the remember option to the box's state.
void TakeSignInAnswer(const tSignInAnswer& answer, tSettingsState& state);

}  // namespace scanvale
