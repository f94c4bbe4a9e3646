// The UPnP root-device search over GUPnP. GLib and GUPnP stay in this file: their headers
// must never meet Qt's keywords.

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <arpa/inet.h>

#include <libgssdp/gssdp.h>
#include <libgupnp/gupnp.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <string>
#include <vector>

#include "discovery/upnp_engine.h"
#include "protocol/diag_log.h"

namespace scanvale {

namespace {

struct UpnpLocalAddress {
  std::string interface;
  std::string address;
};

// One entry per IPv4 address of an interface that is up and can multicast: a device
// answers to the address that asked, and only from inside that address's subnet.
std::vector<UpnpLocalAddress> SearchAddresses(const std::vector<std::string>& only) {
  std::vector<UpnpLocalAddress> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* it = list; it; it = it->ifa_next) {
    if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !it->ifa_name) continue;
    const unsigned flags = it->ifa_flags;
    if (!(flags & IFF_UP) || (flags & IFF_LOOPBACK) || !(flags & IFF_MULTICAST)) continue;
    if (!only.empty() && std::find(only.begin(), only.end(), it->ifa_name) == only.end()) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
    if (!inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) continue;
    out.push_back({it->ifa_name, text});
  }
  freeifaddrs(list);
  return out;
}

// A root device as it is seen: one UDN, reached through one or more contexts.
struct SeenDevice {
  std::string udn;
  std::vector<GUPnPDeviceProxy*> proxies;  // each holds a reference
};

struct Search {
  GMainLoop* loop = nullptr;
  const std::atomic<bool>* stop = nullptr;
  std::vector<SeenDevice> seen;  // in order of first arrival
};

SeenDevice* FindSeen(Search& search, const char* udn) {
  for (auto& device : search.seen)
    if (device.udn == udn) return &device;
  return nullptr;
}

void OnProxyAvailable(GUPnPControlPoint*, GUPnPDeviceProxy* proxy, gpointer user) {
  auto& search = *static_cast<Search*>(user);
  const char* udn = gupnp_device_info_get_udn(GUPNP_DEVICE_INFO(proxy));
  if (!udn) return;
  SeenDevice* device = FindSeen(search, udn);
  if (!device) {
    search.seen.push_back({udn, {}});
    device = &search.seen.back();
  }
  device->proxies.push_back(GUPNP_DEVICE_PROXY(g_object_ref(proxy)));
}

// A device that has just started may announce itself, leave and come back.
void OnProxyUnavailable(GUPnPControlPoint*, GUPnPDeviceProxy* proxy, gpointer user) {
  auto& search = *static_cast<Search*>(user);
  const char* udn = gupnp_device_info_get_udn(GUPNP_DEVICE_INFO(proxy));
  if (!udn) return;
  SeenDevice* device = FindSeen(search, udn);
  if (!device) return;
  auto& proxies = device->proxies;
  auto it = std::find(proxies.begin(), proxies.end(), proxy);
  if (it == proxies.end()) return;
  g_object_unref(*it);
  proxies.erase(it);
}

gboolean QuitSearch(gpointer user) {
  g_main_loop_quit(static_cast<Search*>(user)->loop);
  return G_SOURCE_REMOVE;
}

gboolean CheckStop(gpointer user) {
  auto& search = *static_cast<Search*>(user);
  if (!search.stop->load()) return G_SOURCE_CONTINUE;
  g_main_loop_quit(search.loop);
  return G_SOURCE_REMOVE;
}

// Takes a getter's result, which the caller owns; an absent property reads as empty.
std::string Take(char* text) {
  std::string out = text ? text : "";
  g_free(text);
  return out;
}

long CountAndFree(GList* list) {
  const long count = static_cast<long>(g_list_length(list));
  g_list_free_full(list, g_free);
  return count;
}

DeviceInformationContainer ReadDevice(GUPnPDeviceInfo* info) {
  DeviceInformationContainer d;
  const long children = CountAndFree(gupnp_device_info_list_device_types(info));
  d.Set(kUpnpChildren, ChildrenText(children));
  d.Set(kUpnpDescription, Take(gupnp_device_info_get_model_description(info)));
  d.Set(kUpnpFriendlyName, Take(gupnp_device_info_get_friendly_name(info)));
  d.Set(kUpnpHasChildren, YesNo(children > 0));
  d.Set(kUpnpIconURL, Take(gupnp_device_info_get_icon_url(info, "image/gif", 8, 32, 32, FALSE,
                                                          nullptr, nullptr, nullptr, nullptr)));
  // Every device that answers the "upnp:rootdevice" search is a root device, so it has
  // neither a parent nor a root above it.
  d.Set(kUpnpIsRootDevice, YesNo(true));
  d.Set(kUpnpManufacturerName, Take(gupnp_device_info_get_manufacturer(info)));
  d.Set(kUpnpManufacturerURL, Take(gupnp_device_info_get_manufacturer_url(info)));
  d.Set(kUpnpModelName, Take(gupnp_device_info_get_model_name(info)));
  d.Set(kUpnpModelNumber, Take(gupnp_device_info_get_model_number(info)));
  d.Set(kUpnpModelURL, Take(gupnp_device_info_get_model_url(info)));
  d.Set(kUpnpParentDevice, kTopmostDevice);
  d.Set(kUpnpPresentationURL, Take(gupnp_device_info_get_presentation_url(info)));
  d.Set(kUpnpRootDevice, kTopmostDevice);
  d.Set(kUpnpSerialNumber, Take(gupnp_device_info_get_serial_number(info)));
  d.Set(kUpnpServices, ServicesText(CountAndFree(gupnp_device_info_list_service_types(info))));
  const char* type = gupnp_device_info_get_device_type(info);  // borrowed
  d.Set(kUpnpType, type ? type : "");
  const char* udn = gupnp_device_info_get_udn(info);  // borrowed
  d.Set(kUpnpUniqueDeviceName, udn ? udn : "");
  d.Set(kUpnpUPC, Take(gupnp_device_info_get_upc(info)));
  return d;
}

struct ControlPoint {
  GUPnPContext* context = nullptr;
  GUPnPControlPoint* point = nullptr;
};

bool OpenControlPoint(const UpnpLocalAddress& local, Search& search, ControlPoint& cp) {
  GError* error = nullptr;
  GInetAddress* address = g_inet_address_new_from_string(local.address.c_str());
  cp.context = gupnp_context_new_full(local.interface.c_str(), address, 0,
                                      GSSDP_UDA_VERSION_1_0, &error);
  if (address) g_object_unref(address);
  if (!cp.context) {
    DiagLog::Printf("UPnP: no context on %s (%s): %s\n", local.interface.c_str(),
                    local.address.c_str(), error ? error->message : "unknown error");
    if (error) g_error_free(error);
    return false;
  }
  // Description documents come from the local network: a proxy from the environment must not
  // take the requests elsewhere (and its resolver would run on GLib's worker threads).
  soup_session_set_proxy_resolver(gupnp_context_get_session(cp.context), nullptr);
  cp.point = gupnp_control_point_new(cp.context, "upnp:rootdevice");
  // Devices answer within MX seconds; one keeps the search short.
  gssdp_resource_browser_set_mx(GSSDP_RESOURCE_BROWSER(cp.point), 1);
  g_signal_connect(cp.point, "device-proxy-available", G_CALLBACK(OnProxyAvailable), &search);
  g_signal_connect(cp.point, "device-proxy-unavailable", G_CALLBACK(OnProxyUnavailable),
                   &search);
  gssdp_resource_browser_set_active(GSSDP_RESOURCE_BROWSER(cp.point), TRUE);
  return true;
}

void CloseControlPoint(ControlPoint& cp, Search& search) {
  if (cp.point) {
    g_signal_handlers_disconnect_by_data(cp.point, &search);
    gssdp_resource_browser_set_active(GSSDP_RESOURCE_BROWSER(cp.point), FALSE);
    g_object_unref(cp.point);
  }
  if (cp.context) g_object_unref(cp.context);
  cp = {};
}

// Lets cancelled downloads and disposed sources finish their callbacks, boundedly.
void Drain(GMainContext* context) {
  for (int i = 0; i < 1000 && g_main_context_pending(context); ++i)
    g_main_context_iteration(context, FALSE);
}

}  // namespace

int FindUpnpRootDevices(const UpnpSearchOptions& options, const std::atomic<bool>& stop,
                        std::vector<DeviceInformationContainer>& devices) {
  devices.clear();
  const std::vector<UpnpLocalAddress> addresses = SearchAddresses(options.interfaces);
  if (addresses.empty()) {
    DiagLog::Append("UPnP: no interface to search on\n");
    return -1;
  }

  // Everything GUPnP creates attaches to the thread's default context: a context of our
  // own keeps the search off any other loop of the process.
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  Search search;
  search.loop = g_main_loop_new(context, FALSE);
  search.stop = &stop;

  std::vector<ControlPoint> points;
  for (const auto& local : addresses) {
    ControlPoint cp;
    if (OpenControlPoint(local, search, cp)) points.push_back(cp);
  }

  if (!points.empty()) {
    GSource* window = g_timeout_source_new(static_cast<guint>(options.window.count()));
    g_source_set_callback(window, QuitSearch, &search, nullptr);
    g_source_attach(window, context);
    GSource* poll = g_timeout_source_new(100);
    g_source_set_callback(poll, CheckStop, &search, nullptr);
    g_source_attach(poll, context);
    if (!stop.load()) g_main_loop_run(search.loop);
    g_source_destroy(window);
    g_source_unref(window);
    g_source_destroy(poll);
    g_source_unref(poll);
  }

  for (auto& device : search.seen) {
    if (device.proxies.empty()) continue;
    devices.push_back(ReadDevice(GUPNP_DEVICE_INFO(device.proxies.front())));
  }
  for (auto& device : search.seen)
    for (GUPnPDeviceProxy* proxy : device.proxies) g_object_unref(proxy);
  search.seen.clear();
  for (auto& cp : points) CloseControlPoint(cp, search);
  Drain(context);

  g_main_loop_unref(search.loop);
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  DiagLog::Printf("UPnP: %zu root device(s) on %zu address(es)\n", devices.size(),
                  points.size());
  return points.empty() ? -1 : 0;
}

}  // namespace scanvale
