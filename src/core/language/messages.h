#pragma once
// The message texts: what message boxes, status captions and column titles show. Three
// arrays of 256 slots ("ErrorMessage", "Message", "ItemString") hold the current
// language's texts; each slot in use has a C++ name in `Msg`.
//
//   std::string title = Messages().Text(Msg::Warning);
//   std::string count = Format("%d %s", n, Messages().Text(Msg::DevicesFound).c_str());

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace scanvale {

class LanguageTables;

enum class MessageSection : std::uint8_t { ErrorMessage = 0, Message = 1, ItemString = 2 };
inline constexpr int kMessageSlots = 256;

// A slot: its section in the high byte, its number in the low byte. The comment after
// each name is its English text.
enum class Msg : std::uint16_t {
  // [Message]
  UsernameOrPasswordError = 0x100 + 0,  // "Username or password Error."
  IdRequired = 0x100 + 1,               // "ID is required."
  SearchingUpnpPleaseWait = 0x100 + 11, // "Searching Upnp Devices! Please wait."
  FwTooOldForModule = 0x100 + 12,       // "FW ver. is too old to upload module.bin / ..."
  FileError = 0x100 + 13,               // "File Error."
  RebootAfterUpgrade = 0x100 + 14,      // "Camera(s) will require 5~10 mins ... upgrade ..."
  CouldNotAllocateMemory = 0x100 + 15,  // "Could not allocate memory."
  InvalidFile = 0x100 + 16,             // "Invalid file!"
  DhcpAllocatesAll = 0x100 + 17,        // "DHCP will automatically allocate ..."
  ClickOkToContinue = 0x100 + 18,       // "Please click OK to contiue or CANCEL ..."
  BlanksToFill = 0x100 + 19,            // "Please check to see if there are still blanks ..."
  HasIpConflict = 0x100 + 20,           // "Has IP address conflict, please check."
  IpAddressConflict = 0x100 + 21,       // "IP address conflict"
  FactoryDefaultWait = 0x100 + 22,      // "Factory default need to wait a few seconds ..."
  CommandCannotBeNull = 0x100 + 23,     // "Command can not be null."
  OnlyOnePercentD = 0x100 + 24,         // "Here supports only one %d."
  InsertNumberForPercentD = 0x100 + 25, // "Please insert a number to replace %d"
  NumberTooSmall = 0x100 + 26,          // "Number is too small to send cmd."
  CheckUsernamePassword = 0x100 + 27,   // "Please check username & password."
  ControlPackageError = 0x100 + 28,     // "Control package Error."
  CheckSetting = 0x100 + 29,            // "Please check setting."
  ControlPackageSent = 0x100 + 30,      // "Control package sent."
  ResearchAfterOneMinute = 0x100 + 31,  // "Please try to re-search the device after one minute."
  FailedToSendPackage = 0x100 + 32,     // "Failed to send the control package."
  SpecifyNetworkType = 0x100 + 33,      // "Please specify the network type first."
  RebootAfterRestart = 0x100 + 34,      // "Camera(s) will require 5~10 mins ... restart ..."
  RebootAfterFactoryDefault = 0x100 + 35,  // "... factory default process ..."
  InvalidNetmask = 0x100 + 36,          // "Invalid Netmask."
  InvalidGateway = 0x100 + 37,          // "Invalid Gateway."
  InvalidDns = 0x100 + 38,              // "Invalid DNS."
  ReceiveBufferFull = 0x100 + 39,       // "Receive buffer is full." (no table names it)

  // [ItemString]
  Notice = 0x200 + 0,                // "Notice"
  Warning = 0x200 + 1,               // "Warning"
  Number = 0x200 + 2,                // "Number"
  DateTime = 0x200 + 3,              // "Date/Time"
  Error = 0x200 + 4,                 // "Error"
  AppName = 0x200 + 5,               // "Scanvale" (window caption, search button)
  SearchUpnp = 0x200 + 6,            // "Search Upnp..."
  Searching = 0x200 + 7,             // "Searching..."
  Model = 0x200 + 8,                 // "Model"
  Project = 0x200 + 9,               // "Project"
  Name = 0x200 + 10,                 // "Name"
  Port = 0x200 + 11,                 // "Port"
  Netmask = 0x200 + 12,              // "Netmask"
  Mac = 0x200 + 13,                  // "MAC"
  Firmware = 0x200 + 14,             // "Firmware"
  ZeroDevicesFound = 0x200 + 15,     // "0 device(s) found!"
  DevicesFound = 0x200 + 16,         // "device(s) found!"
  Customized = 0x200 + 17,           // "<Customized>"
  Tcp = 0x200 + 18,                  // "TCP"
  All = 0x200 + 19,                  // "ALL"
  InsertIdPw = 0x200 + 20,           // "Please Insert the ID/PW:"
  GetFwVer = 0x200 + 21,             // "Get FW Ver."
  GettingVer = 0x200 + 22,           // "Getting Ver..."
  SoftwareUpgrade = 0x200 + 23,      // "Software Upgrade"
  Upgrade = 0x200 + 24,              // "Upgrade"
  UploadBinaryFile = 0x200 + 25,     // "Upload the binary file"
  ClickUpgradeToStart = 0x200 + 26,  // "Click the upgrade button to start the upgrade process"
  ConfigUpload = 0x200 + 27,         // "Config Upload"
  Upload = 0x200 + 28,               // "Upload"
  UploadConfigFile = 0x200 + 29,     // "Upload the config file"
  ClickUploadToStart = 0x200 + 30,   // "Click the upload button to start the upgrade process"
  CamerasSelected = 0x200 + 31,      // "MegaPixelCameras selected." (built-in "Cameras selected.")
  CamerasAboutToBeUpgraded = 0x200 + 32,  // "Cameras are about to be upgraded. ..."
  Verifying = 0x200 + 33,            // "Verifying..."
  Uploading = 0x200 + 34,            // "Uploading..."
  LoginFailed = 0x200 + 35,          // "Login failed!"
  NoFileSelected = 0x200 + 36,       // "No file selected."
  UploadFinished = 0x200 + 37,       // "Upload finished!"
  UploadFailed = 0x200 + 38,         // "Upload failed!"
  UploadExpired = 0x200 + 39,        // "Upload expired!"
  CommandError = 0x200 + 40,         // "Command Error."
  SuccessfullyAllocated = 0x200 + 41,  // "Successfully allocated."
  FailedToBeAllocated = 0x200 + 42,  // "Failed to be allocated."
  No = 0x200 + 43,                   // "No."
  Gateway = 0x200 + 44,              // "Gateway"
  Dns = 0x200 + 45,                  // "DNS"
  StaticIpAllocation = 0x200 + 46,   // "Static IP Allocation"
  DhcpAllocationStatus = 0x200 + 47, // "DHCP Allocation Status"
  SendApiCmd = 0x200 + 48,           // "Send API Cmd"
  SendingCmd = 0x200 + 49,           // "Sending Cmd..."
  Ip = 0x200 + 50,                   // "IP"
  Available = 0x200 + 51,            // "Available"
  BatchNetworkSetup = 0x200 + 52,    // "Batch Network Setup"
  NetworkSetup = 0x200 + 53,         // "Network Setup"
  Ok = 0x200 + 54,                   // "OK"
  Invalid = 0x200 + 55,              // "Invalid"
  Short = 0x200 + 56,                // "Short"
  Middle = 0x200 + 57,               // "Middle"
  Long = 0x200 + 58,                 // "Long"
  LogIn = 0x200 + 59,                // "Log in"
  KeepMeSignedIn = 0x200 + 60,       // "Keep me Signed-In"
  NoChange = 0x200 + 61,             // "NoChange"
  IpAddress = 0x200 + 62,            // "IP Address"
  UpdateStatus = 0x200 + 63,         // "Update Status"
  AllNetCard = 0x200 + 64,           // "All NetCard"
};

constexpr MessageSection SectionOf(Msg msg) {
  return static_cast<MessageSection>(static_cast<unsigned>(msg) >> 8);
}
constexpr int SlotOf(Msg msg) { return static_cast<int>(static_cast<unsigned>(msg) & 0xffu); }
const char* SectionName(MessageSection section);  // "ErrorMessage", "Message", "ItemString"

// Every named slot, in section and slot order (for tests and tools).
const std::array<Msg, 96>& AllMessageSlots();

// Turns each backslash and the three characters after it (fewer at the end) into two
// characters: "\n\n" while the text holds no "\n\n" yet, "\n\t" afterwards.
std::string ApplyMessageEscapes(std::string_view value);

// The three arrays. Safe to read from any thread; loads happen on the window's thread.
class MessageTexts {
 public:
  MessageTexts();  // the built-in English texts; every other slot empty
  MessageTexts(const MessageTexts& other);
  MessageTexts& operator=(const MessageTexts& other);

  std::string Text(Msg msg) const;
  // Empty for a slot outside 0..255.
  std::string Text(MessageSection section, int slot) const;
  void Set(MessageSection section, int slot, std::string text);

  // LoadLanguageMessages: copies the language's "ErrorMessage", "Message" and "ItemString"
  // entries (escape rule applied) over the slots they name; a key that is not a number
  // writes slot 0, a slot outside 0..255 is ignored, a language without a table changes
  // nothing, and slots a table does not name keep their texts.
  void Load(const LanguageTables& tables, std::string_view language);

 private:
  mutable std::mutex mutex_;
  std::array<std::array<std::string, kMessageSlots>, 3> slots_;
};

}  // namespace scanvale
