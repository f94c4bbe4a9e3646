#pragma once
// The main window's UPnP search and relay page: owns the UPnP engine, fills the search run's
// hooks and the window's close check, and shows the UPnP rows on the window's thread.
//
//   m_Upnp = std::make_unique<TUpnpDiscovery>(*this);   // in TMainForm's constructor
//   m_Upnp->m_UpnpEngine.Results()                       // the entries for "Detail Info."

#include "discovery/upnp_engine.h"
#include "support/qt_dispatcher.h"

namespace scanvale {

class TMainForm;

class TUpnpDiscovery final : public UpnpResultWindow {
 public:
  explicit TUpnpDiscovery(TMainForm& form);
  ~TUpnpDiscovery() override;

  SearchWindowState& UpnpWindowState() override;
  UpnpTexts UpnpCurrentTexts() override;
  void UpnpWindowStateChanged() override;

 private:
  TMainForm& form_;
  QtDispatcher dispatcher_;

 public:
  // Declared after the dispatcher: its threads are joined before the dispatcher goes.
  CPortForwardEngine m_UpnpEngine;
};

}  // namespace scanvale
