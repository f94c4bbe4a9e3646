#pragma once
// Applies a language table to a Qt window: the window caption and, control by control
// (found by objectName, e.g. "Button1", "ComboBox3", "LabeledEditGateway"), captions with
// two trailing blanks, list entries, texts, hints and positions.
//
// Widget kinds: QLabel -> label (a QLabel showing a pixmap -> picture: hint only),
// QPushButton -> button, QToolButton -> speed button, QCheckBox -> check box,
// QRadioButton -> radio button (checked state kept), QGroupBox -> group box,
// QComboBox -> combo box (list rebuilt, selection kept), QLineEdit -> labelled edit (its
// label is the QLabel whose buddy() is the edit; the label moves with the edit),
// QPlainTextEdit / QTextEdit -> memo, QAction -> menu item, QSlider -> track bar,
// QTableWidget / QTableView -> grid (hint only), a page of a QTabWidget -> tab sheet.
// Positions are relative to the parent widget; a widget placed by a layout keeps the
// layout's geometry. No signal of a changed widget fires during the update.
//
//   ApplyLanguage(Lang().CurrentName(), this);     // in a dialog's constructor
//   if (CaptionContains(Button3->text(), Msg::Middle)) ...

#include <QString>
#include <string>
#include <string_view>

#include "language/language.h"

class QWidget;

namespace scanvale {

// ApplyLanguage(L, W) over the program's tables; the section is W's objectName.
void ApplyLanguage(const std::string& language, QWidget* window);
// The same over given tables and an explicit section name (empty: W's objectName).
void ApplyLanguage(const LanguageTables& tables, const std::string& language,
                   QWidget* window, std::string_view section = {});

// The current language's text of a slot as a QString.
QString MsgText(Msg msg);
// CaptionContains over QStrings: the current language's text of `msg` within `caption`.
bool CaptionContains(const QString& caption, Msg msg);
bool CaptionContains(const QString& caption, const QString& text);
// A table caption for a widget: the text with its two trailing blanks.
QString TableCaption(Msg msg);

}  // namespace scanvale
