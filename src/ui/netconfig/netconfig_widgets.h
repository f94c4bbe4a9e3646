#pragma once
// Small pieces both network dialogs use: text conversion, message boxes for the core's
// notices, fields that filter their own input, and octet fields that move on at a dot.

#include <QString>
#include <string>

#include "dialogs/prompts.h"
#include "netconfig/user_notice.h"

class QLabel;
class QLineEdit;
class QWidget;

namespace scanvale {

inline QString ToQ(const std::string& text) { return QString::fromStdString(text); }
inline std::string FromQ(const QString& text) { return text.toStdString(); }

// Shows a notice modally through the active prompts (message box with an OK button).
void ShowNotice(QWidget* parent, const UserNotice& notice);
Prompts::Icon PromptIcon(NoticeIcon icon);

// Every change of `edit` (typed, pasted or set by code) drops the characters `keeps`
// refuses; the caret moves back by the number dropped.
void InstallInputFilter(QLineEdit* edit, bool (*keeps)(char32_t));

// The full stop and the keypad's decimal key move the focus on, as when typing an address.
void MoveOnAtDot(QLineEdit* edit);

// A labelled edit: the edit with a label above it whose buddy it is.
QLineEdit* MakeLabeledEdit(QWidget* parent, const char* name, const QString& caption, int left,
                           int top, int width = 146);
QLabel* LabelOf(QLineEdit* edit);

}  // namespace scanvale
