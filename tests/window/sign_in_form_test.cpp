// The sign-in window: its answers, the Enter key, the empty-ID warning and the remembered
// credentials, with the prompts answered by a script.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTimer>
#include <QtTest>

#include "dialogs/qt_prompts.h"
#include "dialogs/scripted_prompts.h"
#include "dialogs/sign_in_form.h"
#include "language/apply_language.h"

using namespace scanvale;

class SignInFormTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsCarryTheirNames();
  void okWithAnIdAcceptsAnEmptyPassword();
  void emptyIdIsRefusedByButtonAndEnter();
  void enterConfirmsOnceFromEveryField();
  void cancelKeepsTheRememberBox();
  void rememberedCredentialsPrefillAndComeBack();
  void realPromptShowsTheWindowModally();
  void createdInTheCurrentLanguage();
};

void SignInFormTest::controlsCarryTheirNames() {
  TSignInForm form;
  QCOMPARE(form.objectName(), QString("SignInForm"));
  QCOMPARE(form.size(), QSize(266, 135));
  for (const char* name : {"Label3", "ServerLabel", "Label1", "IDEdit", "Label2", "PWEdit",
                           "LoginBtn", "RememberMeBox", "Label4", "ErrorLabel"})
    QVERIFY2(form.findChild<QWidget*>(name) != nullptr, name);
  QCOMPARE(form.IDEdit->geometry().topLeft(), QPoint(79, 40));
  QCOMPARE(form.LoginBtn->geometry(), QRect(152, 96, 97, 25));
  QCOMPARE(form.PWEdit->echoMode(), QLineEdit::Password);
  QCOMPARE(form.PWEdit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                           form.PWEdit),
           int('*'));
}

void SignInFormTest::okWithAnIdAcceptsAnEmptyPassword() {
  ScriptedPrompts prompts;
  TSignInForm form;
  form.Prefill({"operator", "", false});
  form.show();
  QTest::mouseClick(form.LoginBtn, Qt::LeftButton);
  QCOMPARE(form.result(), int(QDialog::Accepted));
  QVERIFY(!form.isVisible());
  QVERIFY(prompts.messages.empty());
  QCOMPARE(form.Fields(), (tSignInFields{"operator", "", false}));
}

void SignInFormTest::emptyIdIsRefusedByButtonAndEnter() {
  ScriptedPrompts prompts;
  TSignInForm form;
  form.Prefill({"", "secret", true});
  form.show();
  QSignalSpy accepted(&form, &QDialog::accepted);

  QTest::mouseClick(form.LoginBtn, Qt::LeftButton);
  QTest::keyClick(form.PWEdit, Qt::Key_Return);
  QTest::keyClick(form.IDEdit, Qt::Key_Enter);

  QCOMPARE(prompts.messages.size(), std::size_t(3));
  for (const auto& shown : prompts.messages) {
    QCOMPARE(shown.text, QString("ID is required."));
    QCOMPARE(shown.caption, QString("Warning"));
    QCOMPARE(shown.icon, Prompts::Icon::Warning);
    QCOMPARE(shown.buttons, Prompts::Buttons::Ok);
  }
  QVERIFY(form.isVisible());
  QCOMPARE(accepted.count(), 0);
  QCOMPARE(form.Fields(), (tSignInFields{"", "secret", true}));  // the texts stay
}

void SignInFormTest::enterConfirmsOnceFromEveryField() {
  for (const char* name : {"IDEdit", "PWEdit", "LoginBtn", "SignInForm"}) {
    ScriptedPrompts prompts;
    TSignInForm form;
    form.Prefill({"admin", "8629", false});
    form.show();
    QSignalSpy accepted(&form, &QDialog::accepted);
    QWidget* target = form.objectName() == name ? &form : form.findChild<QWidget*>(name);
    QTest::keyClick(target, Qt::Key_Return);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY2(prompts.messages.empty(), name);
  }
}

void SignInFormTest::cancelKeepsTheRememberBox() {
  ScriptedPrompts prompts;
  TSignInForm form;
  form.Prefill({"admin", "8629", false});
  form.show();
  QTest::mouseClick(form.RememberMeBox, Qt::LeftButton);
  QTest::keyClick(&form, Qt::Key_Escape);
  QCOMPARE(form.result(), int(QDialog::Rejected));
  QCOMPARE(form.Fields().rememberMe, true);

  // The caller protocol then turns the remember option on but keeps no texts.
  tSettingsState state;
  TakeSignInAnswer({false, form.Fields()}, state);
  QVERIFY(state.rememberMe);
  QCOMPARE(state.rememberID, std::string());
}

void SignInFormTest::rememberedCredentialsPrefillAndComeBack() {
  ScriptedPrompts prompts;
  tSettingsState state;
  state.rememberID = "old";

  // Remember off: "admin" and the default password, box unchecked, the prompt caption.
  prompts.signInAnswers.push_back({true, {"operator", "pw 1", true}});
  SignInRemembering(nullptr, state);
  QCOMPARE(prompts.signIns.size(), std::size_t(1));
  QCOMPARE(prompts.signIns[0].prefill, (tSignInFields{"admin", "8629", false}));
  QCOMPARE(prompts.signIns[0].promptCaption, QString("Please Insert the ID/PW:"));
  QVERIFY(state.rememberMe);
  QCOMPARE(state.rememberID, std::string("operator"));
  QCOMPARE(state.rememberPW, std::string("pw 1"));

  // Remember on: the remembered texts with the box checked; a cancel leaves them.
  tSignInAnswer cancelled;
  cancelled.fields = {"typed", "typed", true};
  prompts.signInAnswers.push_back(cancelled);
  SignInRemembering(nullptr, state);
  QCOMPARE(prompts.signIns[1].prefill, (tSignInFields{"operator", "pw 1", true}));
  QCOMPARE(state.rememberID, std::string("operator"));
  QCOMPARE(state.rememberPW, std::string("pw 1"));
}

void SignInFormTest::realPromptShowsTheWindowModally() {
  ScriptedPrompts messages;  // the empty-ID warning of the real window goes here
  QtPrompts real;
  SignInRequest request;
  request.prefill = {"", "secret", false};
  request.promptVisible = false;
  request.serverText = "198.18.1.10";

  QString serverShown;
  bool hiddenPrompt = false;
  int warningsBeforeTyping = -1;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<TSignInForm*>(QApplication::activeModalWidget());
    QVERIFY(form);
    serverShown = form->ServerLabel->text();
    hiddenPrompt = form->Label3->isHidden();
    QTest::keyClick(form->PWEdit, Qt::Key_Return);  // refused: no ID yet
    warningsBeforeTyping = int(messages.messages.size());
    QTest::keyClicks(form->IDEdit, "root");
    QTest::keyClick(form->IDEdit, Qt::Key_Return);
  });
  // Should the window not come up as expected, close it so the test fails instead of hanging.
  QTimer::singleShot(5000, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  const tSignInAnswer answer = real.SignIn(nullptr, request);

  QVERIFY(answer.ok);
  QCOMPARE(answer.fields, (tSignInFields{"root", "secret", false}));
  QCOMPARE(serverShown, QString("198.18.1.10"));
  QVERIFY(hiddenPrompt);
  QCOMPARE(warningsBeforeTyping, 1);
}

void SignInFormTest::createdInTheCurrentLanguage() {
  Lang().LoadTables();
  Lang().SetCurrent(2);
  Lang().LoadMessages(Lang().CurrentName());
  ScriptedPrompts prompts;
  {
    TSignInForm form;
    QVERIFY(form.LoginBtn->text().startsWith("Connexion"));
    QVERIFY(form.Label4->text().startsWith(QString::fromUtf8("Rester connect\xc3\xa9")));
    form.Prefill({"", "", false});
    form.show();
    QTest::keyClick(form.PWEdit, Qt::Key_Return);
    QCOMPARE(prompts.messages.size(), std::size_t(1));
    QCOMPARE(prompts.messages[0].text, MsgText(Msg::IdRequired));
    QVERIFY(prompts.messages[0].text != QString("ID is required."));
  }
  Lang().SetCurrent(0);
  Lang().LoadMessages(Lang().CurrentName());
  TSignInForm english;
  QVERIFY(english.LoginBtn->text().startsWith("Log in"));
}

QTEST_MAIN(SignInFormTest)
#include "sign_in_form_test.moc"
