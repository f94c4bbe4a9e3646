#pragma once
// Prompts for window tests: answers come from queues the test fills, and everything that
// would have been shown is kept for the test to read. Installs itself while it lives.

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "dialogs/prompts.h"

namespace scanvale {

class ScriptedPrompts final : public Prompts {
 public:
  struct Shown {
    QString text;
    QString caption;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
  };

  ScriptedPrompts() { SetActivePrompts(this); }
  ~ScriptedPrompts() override { SetActivePrompts(nullptr); }
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  // Answers used in order; when a queue is empty: Ok, a cancelled sign-in, no file.
  std::deque<Answer> messageAnswers;
  std::deque<tSignInAnswer> signInAnswers;
  std::deque<QString> files;

  std::vector<Shown> messages;
  std::vector<SignInRequest> signIns;
  QStringList fileFilters;  // the filter of every open-file dialog
  QStringList urls;

  Answer Message(QWidget*, const QString& text, const QString& caption, Icon icon,
                 Buttons buttons = Buttons::Ok) override {
    messages.push_back({text, caption, icon, buttons});
    return Take(messageAnswers, Answer::Ok);
  }
  tSignInAnswer SignIn(QWidget*, const SignInRequest& request) override {
    signIns.push_back(request);
    tSignInAnswer cancelled;
    cancelled.fields = request.prefill;
    return Take(signInAnswers, cancelled);
  }
  QString OpenFile(QWidget*, const QString&, const QString& filter) override {
    fileFilters.push_back(filter);
    return Take(files, QString());
  }
  void OpenUrl(const QString& url) override { urls.push_back(url); }

 private:
  template <typename T>
  static T Take(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
  }
};

}  // namespace scanvale
