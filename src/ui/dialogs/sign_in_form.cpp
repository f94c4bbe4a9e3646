#include "dialogs/sign_in_form.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

#include "language/apply_language.h"

namespace scanvale {
namespace {

// The password field shows "*" for every character, whatever the desktop's style prefers.
class StarPasswordStyle final : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int left, int top, int width) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(left, top, width, 21);
  return edit;
}

bool IsEnterKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

TSignInForm::TSignInForm(QWidget* parent) : QDialog(parent) {
  setObjectName("SignInForm");
  setWindowTitle("MegapixelIPCamera");
  // 282 x 174 with a frame and title bar; the client area is what Qt sizes.
  setFixedSize(266, 135);

  Label3 = MakeLabel(this, "Label3", "IP", 21, 18);
  ServerLabel = MakeLabel(this, "ServerLabel", QString(), 80, 18);
  Label1 = MakeLabel(this, "Label1", "ID :", 21, 45);
  IDEdit = MakeEdit(this, "IDEdit", 79, 40, 170);
  Label2 = MakeLabel(this, "Label2", "Password :", 21, 77);
  PWEdit = MakeEdit(this, "PWEdit", 80, 72, 169);
  PWEdit->setEchoMode(QLineEdit::Password);
  auto* starStyle = new StarPasswordStyle;
  starStyle->setParent(this);  // a widget does not own the style it is given
  PWEdit->setStyle(starStyle);

  LoginBtn = new QPushButton("Log in", this);
  LoginBtn->setObjectName("LoginBtn");
  LoginBtn->setGeometry(152, 96, 97, 25);
  // Enter is handled once, by FormKeyDown; the dialog's default button would click again.
  LoginBtn->setAutoDefault(false);
  LoginBtn->setDefault(false);

  RememberMeBox = new QCheckBox(this);
  RememberMeBox->setObjectName("RememberMeBox");
  RememberMeBox->setGeometry(22, 103, 17, 17);
  Label4 = MakeLabel(this, "Label4", "Keep me Signed-In", 45, 103);
  ErrorLabel = MakeLabel(this, "ErrorLabel", QString(), 24, 104);
  ErrorLabel->hide();

  setTabOrder(IDEdit, PWEdit);
  setTabOrder(PWEdit, LoginBtn);
  setTabOrder(LoginBtn, RememberMeBox);

  connect(LoginBtn, &QPushButton::clicked, this, &TSignInForm::LoginBtnClick);
  for (QWidget* watched : {static_cast<QWidget*>(IDEdit), static_cast<QWidget*>(PWEdit),
                           static_cast<QWidget*>(LoginBtn)})
    watched->installEventFilter(this);

  ApplyLanguage(Lang().CurrentName(), this);
  IDEdit->setFocus();
}

void TSignInForm::Prefill(const tSignInFields& fields) {
  IDEdit->setText(QString::fromStdString(fields.id));
  PWEdit->setText(QString::fromStdString(fields.password));
  RememberMeBox->setChecked(fields.rememberMe);
}

tSignInFields TSignInForm::Fields() const {
  return {IDEdit->text().toStdString(), PWEdit->text().toStdString(), RememberMeBox->isChecked()};
}

void TSignInForm::ApplyRequest(const SignInRequest& request) {
  Prefill(request.prefill);
  if (!request.promptCaption.isEmpty()) {
    Label3->setText(request.promptCaption);
    Label3->adjustSize();
  }
  Label3->setVisible(request.promptVisible);
  ServerLabel->setText(request.serverText);
  ServerLabel->adjustSize();
}

void TSignInForm::LoginBtnClick() {
  if (IDEdit->text().isEmpty()) {
    ActivePrompts().Message(this, MsgText(Msg::IdRequired), MsgText(Msg::Warning),
                            Prompts::Icon::Warning, Prompts::Buttons::Ok);
    return;
  }
  accept();
}

void TSignInForm::keyPressEvent(QKeyEvent* event) {
  if (IsEnterKey(event)) {
    LoginBtnClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TSignInForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && IsEnterKey(static_cast<QKeyEvent*>(event))) {
    LoginBtnClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

tSignInAnswer SignInRemembering(QWidget* parent, tSettingsState& state, SignInRequest request) {
  request.prefill = SignInPrefill(state);
  if (request.promptCaption.isEmpty()) request.promptCaption = MsgText(Msg::InsertIdPw);
  const tSignInAnswer answer = ActivePrompts().SignIn(parent, request);
  TakeSignInAnswer(answer, state);
  return answer;
}

}  // namespace scanvale
