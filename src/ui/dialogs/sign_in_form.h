#pragma once
// TSignInForm: asks for the ID and password a device wants, with the "Keep me Signed-In"
// option. Created for one use, shown modally, read back and destroyed:
//
//   TSignInForm form(this);
//   form.Prefill(SignInPrefill(settings));
//   form.Label3->setText(MsgText(Msg::InsertIdPw));
//   const bool ok = form.exec() == QDialog::Accepted;
//   TakeSignInAnswer({ok, form.Fields()}, settings);
//
// Callers normally go through ActivePrompts().SignIn (dialogs/prompts.h) or
// SignInRemembering below, so that window tests can answer in its place.

#include <QDialog>

#include "dialogs/prompts.h"
#include "settings/remembered_credentials.h"
#include "settings/settings_file.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace scanvale {

class TSignInForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSignInForm(QWidget* parent = nullptr);

  void Prefill(const tSignInFields& fields);
  tSignInFields Fields() const;
  // Fills the labels from a caller's request (prompt caption or hidden prompt, server).
  void ApplyRequest(const SignInRequest& request);

  QLabel* Label3;
  QLabel* ServerLabel;
  QLabel* Label1;
  QLineEdit* IDEdit;
  QLabel* Label2;
  QLineEdit* PWEdit;
  QPushButton* LoginBtn;
  QCheckBox* RememberMeBox;
  QLabel* Label4;
  QLabel* ErrorLabel;

 public slots:
  // Confirms: OK with a non-empty ID; an empty ID is refused with a warning, the window stays.
  void LoginBtnClick();

 protected:
  // FormKeyDown: the Enter key confirms as the button does, from the window, both text
  // fields and the button.
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// The caller protocol of the commands that remember credentials: pre-fill from `state`,
// show the window through ActivePrompts(), and take the answer back into `state` (the
// texts on OK, the remember box in either case). An empty prompt caption becomes the current
// language's "Please Insert the ID/PW:".
tSignInAnswer SignInRemembering(QWidget* parent, tSettingsState& state,
                                SignInRequest request = {});

}  // namespace scanvale
