#include "dialogs/qt_prompts.h"
#include "dialogs/sign_in_form.h"

namespace scanvale {

tSignInAnswer QtPrompts::SignIn(QWidget* parent, const SignInRequest& request) {
  TSignInForm form(parent);
  form.ApplyRequest(request);
  tSignInAnswer answer;
  answer.ok = form.exec() == QDialog::Accepted;
  answer.fields = form.Fields();
  return answer;
}

}  // namespace scanvale
