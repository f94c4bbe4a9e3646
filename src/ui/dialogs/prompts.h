#pragma once
// Everything a window asks the user modally, or hands to the desktop, goes through Prompts:
// message boxes, the sign-in window's answer, the open-file dialog and the browser start.
// The program installs QtPrompts; window tests install ScriptedPrompts, which answers from a
// script and keeps what would have been shown.
//
//   ActivePrompts().Message(this, MsgText(Msg::IdRequired), MsgText(Msg::Warning),
//                           Prompts::Icon::Warning);
//   ActivePrompts().OpenUrl("http://198.18.1.10:80");

#include <QString>

#include "settings/remembered_credentials.h"

class QWidget;

namespace scanvale {

// What a caller puts into the sign-in window before it is shown.
struct SignInRequest {
  tSignInFields prefill;
  QString promptCaption;      // Label3's caption ("Please Insert the ID/PW:"), when shown
  bool promptVisible = true;  // the upgrade dialog hides Label3 for several devices
  QString serverText;         // ServerLabel: the device address, or empty
};

class Prompts {
 public:
  enum class Icon { None, Information, Warning, Error };
  enum class Buttons { Ok, OkCancel, YesNo };
  enum class Answer { Ok, Cancel, Yes, No };

  virtual ~Prompts() = default;

  // A modal message box; returns the button pressed (Ok for a box with only OK).
  virtual Answer Message(QWidget* parent, const QString& text, const QString& caption,
                         Icon icon, Buttons buttons = Buttons::Ok) = 0;
  // The modal sign-in window (TSignInForm) with its fields as they were when it closed.
  virtual tSignInAnswer SignIn(QWidget* parent, const SignInRequest& request) = 0;
  // The open-file dialog; an empty text when the user cancelled.
  virtual QString OpenFile(QWidget* parent, const QString& caption, const QString& filter) = 0;
  // Opens an address with the desktop's default browser; the result is not checked.
  virtual void OpenUrl(const QString& url) = 0;
};

// The prompts every window uses; QtPrompts unless a test installed its own.
Prompts& ActivePrompts();
// Installs `prompts` (not owned; nullptr puts QtPrompts back).
void SetActivePrompts(Prompts* prompts);

}  // namespace scanvale
