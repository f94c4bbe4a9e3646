#include "discovery/upnp_discovery.h"

#include <QLabel>
#include <QPushButton>

#include "discovery/discovery_hooks.h"
#include "language/language.h"
#include "mainwindow/main_form.h"

namespace scanvale {

TUpnpDiscovery::TUpnpDiscovery(TMainForm& form) : form_(form), dispatcher_(&form) {
  InstallRelayPageHook(form.searchHooks);
  InstallUpnpHooks(form.searchHooks, m_UpnpEngine, dispatcher_, *this);
  form.upnpBusy = [this] { return m_UpnpEngine.Busy(); };
}

TUpnpDiscovery::~TUpnpDiscovery() = default;

SearchWindowState& TUpnpDiscovery::UpnpWindowState() { return form_.m_State; }

UpnpTexts TUpnpDiscovery::UpnpCurrentTexts() {
  UpnpTexts texts;
  texts.scanvale = Messages().Text(Msg::AppName);
  texts.searchUpnp = Messages().Text(Msg::SearchUpnp);
  texts.zeroFound = Messages().Text(Msg::ZeroDevicesFound);
  texts.devicesFound = Messages().Text(Msg::DevicesFound);
  return texts;
}

void TUpnpDiscovery::UpnpWindowStateChanged() {
  const SearchWindowState& state = form_.m_State;
  form_.Button1->setEnabled(state.button1.enabled);
  form_.Button1->setText(QString::fromStdString(state.button1.caption));
  form_.Button2->setEnabled(state.button2.enabled);
  form_.Button3->setEnabled(state.button3.enabled);
  form_.Label1->setText(QString::fromStdString(state.label1));
  form_.m_Grid.m_DevicesFound = state.m_DevicesFound;
  form_.RefreshGrid();
}

}  // namespace scanvale
