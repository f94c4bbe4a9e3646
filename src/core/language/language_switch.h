#pragma once
// The language switch of the main window (LanChange). The window implements
// MainWindowLanguageView; the switch itself is plain code so it runs without a window.
//
// The main window calls it
//   - from the language box's change handler:  LanChange(Lang(), view, LanChangeSender::LanguageBox)
//   - from the settings loader after it selected the saved language in the box:
//                                               LanChange(Lang(), view, LanChangeSender::None)
// where `view` adapts TMainForm (it may be TMainForm itself).

#include <string>
#include <vector>

#include "language/language.h"

namespace scanvale {

class MainWindowLanguageView {
 public:
  virtual ~MainWindowLanguageView() = default;

  virtual int LanguageBoxIndex() const = 0;                    // ComboBox4's selected entry
  virtual std::string DelayButtonCaption() const = 0;          // Button3
  virtual void SetDelayButtonCaption(const std::string& caption) = 0;
  // ApplyLanguage(language, main window) of the window layer.
  virtual void ApplyLanguageToWindow(const std::string& language) = 0;
  // Stores m_HeaderTexts and writes them into the grid's header row, columns 0 to 7.
  virtual void SetGridHeader(const std::vector<std::string>& titles) = 0;
  virtual void SetProjectFilterText(const std::string& text) = 0;  // Proj
  virtual int GridRowCount() const = 0;                           // header row included
  virtual std::string GridLastRowIp() const = 0;                  // column 3 of the last row
  virtual void SetDeviceCountText(const std::string& text) = 0;   // Label1
  virtual void SetWindowCaption(const std::string& caption) = 0;

  // The adapter box ComboBox3 and m_NetCardNum (the position of its "All NetCard" entry).
  virtual int AdapterBoxIndex() const = 0;
  virtual int AdapterBoxCount() const = 0;
  virtual int AllNetCardPosition() const = 0;
  virtual std::string AdapterBoxItem(int index) const = 0;
  virtual void AdapterBoxDelete(int index) = 0;
  virtual void AdapterBoxAppend(const std::string& text) = 0;
  virtual void AdapterBoxSetText(const std::string& text) = 0;
  virtual void AdapterBoxSelect(int index) = 0;
};

enum class LanChangeSender { LanguageBox, None };

// The answer-delay step a delay-button caption shows, by containment of the current
// language's texts: Middle, else Long, else Short; Middle when none is contained.
Msg DelayStepOfCaption(const MessageTexts& texts, const std::string& caption);

// "0 device(s) found!" for a grid without device rows (fewer than 2 rows, or an empty IP
// cell in the last row), else "%d %s" with the row count minus 1 and "device(s) found!".
std::string DeviceCountText(const MessageTexts& texts, int rowCount,
                            const std::string& lastRowIp);

// The main window caption: the application name followed by " - " and the version.
std::string MainWindowCaption(const MessageTexts& texts);

// The column titles of the main grid in column order (Model ... Firmware).
std::vector<std::string> MainGridHeaderTexts(const MessageTexts& texts);

void LanChange(Language& language, MainWindowLanguageView& view, LanChangeSender sender);

}  // namespace scanvale
