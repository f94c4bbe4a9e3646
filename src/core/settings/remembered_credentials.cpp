#include "settings/remembered_credentials.h"

namespace scanvale {

tSignInFields SignInPrefill(const tSettingsState& state) {
  if (state.rememberMe) return {state.rememberID, state.rememberPW, true};
  return {kDefaultSignInID, kDefaultSignInPW, false};
}

void TakeSignInAnswer(const tSignInAnswer& answer, tSettingsState& state) {
  if (answer.ok) {
    state.rememberID = answer.fields.id;
    state.rememberPW = answer.fields.password;
  }
  state.rememberMe = answer.fields.rememberMe;
}

}  // namespace scanvale
