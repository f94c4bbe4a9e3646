#pragma once
// The real prompts: Qt message boxes, the sign-in window, QFileDialog, QDesktopServices.

#include "dialogs/prompts.h"

namespace scanvale {

class QtPrompts final : public Prompts {
 public:
  Answer Message(QWidget* parent, const QString& text, const QString& caption, Icon icon,
                 Buttons buttons = Buttons::Ok) override;
  // Defined with the sign-in window (qt_prompts_sign_in.cpp).
  tSignInAnswer SignIn(QWidget* parent, const SignInRequest& request) override;
  QString OpenFile(QWidget* parent, const QString& caption, const QString& filter) override;
  void OpenUrl(const QString& url) override;
};

}  // namespace scanvale
