#include "language/language_switch.h"

#include "protocol/diag_log.h"

namespace scanvale {

Msg DelayStepOfCaption(const MessageTexts& texts, const std::string& caption) {
  for (const Msg step : {Msg::Middle, Msg::Long, Msg::Short}) {
    if (CaptionContains(caption, texts.Text(step))) return step;
  }
  return Msg::Middle;
}

std::string DeviceCountText(const MessageTexts& texts, int rowCount,
                            const std::string& lastRowIp) {
  if (rowCount < 2 || lastRowIp.empty()) return texts.Text(Msg::ZeroDevicesFound);
  return Format("%d %s", rowCount - 1, texts.Text(Msg::DevicesFound).c_str());
}

std::string MainWindowCaption(const MessageTexts& texts) {
  return texts.Text(Msg::AppName) + " - " + SCANVALE_VERSION;
}

std::vector<std::string> MainGridHeaderTexts(const MessageTexts& texts) {
  std::vector<std::string> titles;
  for (const Msg column : {Msg::Model, Msg::Project, Msg::Name, Msg::Ip, Msg::Port,
                           Msg::Netmask, Msg::Mac, Msg::Firmware}) {
    titles.push_back(texts.Text(column));
  }
  return titles;
}

void LanChange(Language& language, MainWindowLanguageView& view, LanChangeSender sender) {
  const Msg delayStep = DelayStepOfCaption(language.Messages(), view.DelayButtonCaption());

  language.SetCurrent(view.LanguageBoxIndex());
  view.ApplyLanguageToWindow(language.CurrentName());
  language.LoadMessages(language.CurrentName());
  const MessageTexts& texts = language.Messages();

  view.SetGridHeader(MainGridHeaderTexts(texts));
  view.SetProjectFilterText("ALL");
  view.SetDeviceCountText(DeviceCountText(texts, view.GridRowCount(), view.GridLastRowIp()));
  view.SetDelayButtonCaption(texts.Text(delayStep));
  view.SetWindowCaption(MainWindowCaption(texts));

  const int adapter = view.AdapterBoxIndex();
  if (sender == LanChangeSender::LanguageBox) {
    const int allPosition = view.AllNetCardPosition();
    // An out-of-range position would delete nothing on a list that lacks the entry.
    if (allPosition >= 0 && allPosition < view.AdapterBoxCount()) view.AdapterBoxDelete(allPosition);
    view.AdapterBoxAppend(texts.Text(Msg::AllNetCard));
  }
  const bool inRange = adapter >= 0 && adapter < view.AdapterBoxCount();
  view.AdapterBoxSetText(inRange ? view.AdapterBoxItem(adapter) : std::string());
  view.AdapterBoxSelect(adapter);
}

}  // namespace scanvale
