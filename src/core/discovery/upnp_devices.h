#pragma once
// UPnP root devices as the program keeps them: the nineteen property texts of one device,
// the maker filter, and the rows a kept device becomes in the main grid.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/device_record.h"
#include "protocol/device_table.h"

namespace scanvale {

inline constexpr int kUpnpTextCount = 19;
// A property text is cut to this many bytes; a description document can say anything.
inline constexpr std::size_t kUpnpTextMax = 2048;

enum UpnpText : int {
  kUpnpChildren = 0,
  kUpnpDescription,
  kUpnpFriendlyName,
  kUpnpHasChildren,
  kUpnpIconURL,
  kUpnpIsRootDevice,
  kUpnpManufacturerName,
  kUpnpManufacturerURL,
  kUpnpModelName,
  kUpnpModelNumber,
  kUpnpModelURL,
  kUpnpParentDevice,
  kUpnpPresentationURL,
  kUpnpRootDevice,
  kUpnpSerialNumber,
  kUpnpServices,
  kUpnpType,
  kUpnpUniqueDeviceName,
  kUpnpUPC,
};

struct DeviceInformationContainer {
  std::array<std::string, kUpnpTextCount> texts;

  const std::string& operator[](UpnpText which) const { return texts[which]; }
  // Stores a text cut to kUpnpTextMax.
  void Set(UpnpText which, std::string_view text);
};

// "No: Zero children", "Yes: One child", "Yes: <n> children".
std::string ChildrenText(long count);
// "No: Zero services", "Yes: One service", "Yes: <n>services".
std::string ServicesText(long count);
inline const char* YesNo(bool yes) { return yes ? "Yes" : "No"; }
inline constexpr const char* kTopmostDevice = "This is a topmost device";

// Kept when the manufacturer name contains "AXIS" or "Vivotek" (exact case).
bool KeepUpnpDevice(const DeviceInformationContainer& device);

// Host and port from a presentation URL: the text after "//" up to the first "/" after it;
// "ip:port" splits at the first ":", a bare host gets port "80". False when the URL has no
// "//" or no "/" behind the host.
bool ParsePresentationUrl(std::string_view url, std::string& ip, std::string& port);

// The record of a kept device: model and project "Axis 200 Series" (name = Description) or
// "VivoTek 7000 Series" (name = FriendlyName before its first "("), ip and port from the
// presentation URL, "NULL" in netmask, gateway, dns, mac, dev and note. False when the
// device gives no record (no usable presentation URL, a Vivotek name without "(").
bool MakeUpnpRecord(const DeviceInformationContainer& device, tComUnitInfo& record);
std::vector<tComUnitInfo> MakeUpnpRecords(const std::vector<DeviceInformationContainer>& devices);

// The texts the merge shows, in the current language.
struct UpnpTexts {
  std::string scanvale = "Scanvale";
  std::string searchUpnp = "Search Upnp...";
  std::string zeroFound = "0 device(s) found!";
  std::string devicesFound = "device(s) found!";
};

struct UpnpMergeResult {
  std::string label;       // the result line
  bool fwEnabled = false;  // "Get FW Ver."
  bool devicesFound = false;  // rows below the header now hold devices
};

// Appends the records to the table and merges their rows into the grid: with the filter
// "UPNP" the grid is first cut to its header; with "ALL" and no device from the broadcast
// the empty placeholder row is reused; the rows go to the bottom with "NULL" as netmask and
// MAC. Filters compare without regard to case.
UpnpMergeResult MergeUpnpRows(DeviceTable& table, const std::vector<tComUnitInfo>& records,
                              bool devicesFound, const UpnpTexts& texts);

}  // namespace scanvale
