#include "language/messages.h"

#include <utility>

#include "language/language_table.h"

namespace scanvale {
namespace {

struct BuiltIn {
  Msg slot;
  const char* text;
};

// The texts in force before any table is read. Three differ from the English table:
// [Message] 11 spells "UPnP", [ItemString] 31 lacks "MegaPixel", and [Message] 39 is named
// by no table, so it keeps this text in every language.
constexpr BuiltIn kBuiltIn[] = {
    {Msg::UsernameOrPasswordError, "Username or password Error."},
    {Msg::IdRequired, "ID is required."},
    {Msg::SearchingUpnpPleaseWait, "Searching UPnP Devices! Please wait."},
    {Msg::FwTooOldForModule, "FW ver. is too old to upload module.bin / switch.bin / main.bin."},
    {Msg::FileError, "File Error."},
    {Msg::RebootAfterUpgrade,
     "Camera(s) will require 5~10 mins to reboot if upgrade process has been completed "
     "successfully. Do not unplug the power during the process, it may cause damage."},
    {Msg::CouldNotAllocateMemory, "Could not allocate memory."},
    {Msg::InvalidFile, "Invalid file!"},
    {Msg::DhcpAllocatesAll,
     "DHCP will automatically allocate available IP addresses and apply them to all devices "
     "displayed in the grid table."},
    {Msg::ClickOkToContinue, "Please click OK to contiue or CANCEL to terminate this process."},
    {Msg::BlanksToFill, "Please check to see if there are still blanks need to be filled."},
    {Msg::HasIpConflict, "Has IP address conflict, please check."},
    {Msg::IpAddressConflict, "IP address conflict"},
    {Msg::FactoryDefaultWait, "Factory default need to wait a few seconds to reboot system."},
    {Msg::CommandCannotBeNull, "Command can not be null."},
    {Msg::OnlyOnePercentD, "Here supports only one %d."},
    {Msg::InsertNumberForPercentD, "Please insert a number to replace %d"},
    {Msg::NumberTooSmall, "Number is too small to send cmd."},
    {Msg::CheckUsernamePassword, "Please check username & password."},
    {Msg::ControlPackageError, "Control package Error."},
    {Msg::CheckSetting, "Please check setting."},
    {Msg::ControlPackageSent, "Control package sent."},
    {Msg::ResearchAfterOneMinute, "Please try to re-search the device after one minute."},
    {Msg::FailedToSendPackage, "Failed to send the control package."},
    {Msg::SpecifyNetworkType, "Please specify the network type first."},
    {Msg::RebootAfterRestart,
     "Camera(s) will require 5~10 mins to reboot if restart process has been completed "
     "successfully. Do not unplug the power during the process, it may cause damage."},
    {Msg::RebootAfterFactoryDefault,
     "Camera(s) will require 5~10 mins to reboot if factory default process has been "
     "completed successfully. Do not unplug the power during the process, it may cause "
     "damage."},
    {Msg::InvalidNetmask, "Invalid Netmask."},
    {Msg::InvalidGateway, "Invalid Gateway."},
    {Msg::InvalidDns, "Invalid DNS."},
    {Msg::ReceiveBufferFull, "Receive buffer is full."},

    {Msg::Notice, "Notice"},
    {Msg::Warning, "Warning"},
    {Msg::Number, "Number"},
    {Msg::DateTime, "Date/Time"},
    {Msg::Error, "Error"},
    {Msg::AppName, "Scanvale"},
    {Msg::SearchUpnp, "Search Upnp..."},
    {Msg::Searching, "Searching..."},
    {Msg::Model, "Model"},
    {Msg::Project, "Project"},
    {Msg::Name, "Name"},
    {Msg::Port, "Port"},
    {Msg::Netmask, "Netmask"},
    {Msg::Mac, "MAC"},
    {Msg::Firmware, "Firmware"},
    {Msg::ZeroDevicesFound, "0 device(s) found!"},
    {Msg::DevicesFound, "device(s) found!"},
    {Msg::Customized, "<Customized>"},
    {Msg::Tcp, "TCP"},
    {Msg::All, "ALL"},
    {Msg::InsertIdPw, "Please Insert the ID/PW:"},
    {Msg::GetFwVer, "Get FW Ver."},
    {Msg::GettingVer, "Getting Ver..."},
    {Msg::SoftwareUpgrade, "Software Upgrade"},
    {Msg::Upgrade, "Upgrade"},
    {Msg::UploadBinaryFile, "Upload the binary file"},
    {Msg::ClickUpgradeToStart, "Click the upgrade button to start the upgrade process"},
    {Msg::ConfigUpload, "Config Upload"},
    {Msg::Upload, "Upload"},
    {Msg::UploadConfigFile, "Upload the config file"},
    {Msg::ClickUploadToStart, "Click the upload button to start the upgrade process"},
    {Msg::CamerasSelected, "Cameras selected."},
    {Msg::CamerasAboutToBeUpgraded,
     "Cameras are about to be upgraded. Please make sure all of the selected units are of "
     "the same project before continuing with the upgrade process."},
    {Msg::Verifying, "Verifying..."},
    {Msg::Uploading, "Uploading..."},
    {Msg::LoginFailed, "Login failed!"},
    {Msg::NoFileSelected, "No file selected."},
    {Msg::UploadFinished, "Upload finished!"},
    {Msg::UploadFailed, "Upload failed!"},
    {Msg::UploadExpired, "Upload expired!"},
    {Msg::CommandError, "Command Error."},
    {Msg::SuccessfullyAllocated, "Successfully allocated."},
    {Msg::FailedToBeAllocated, "Failed to be allocated."},
    {Msg::No, "No."},
    {Msg::Gateway, "Gateway"},
    {Msg::Dns, "DNS"},
    {Msg::StaticIpAllocation, "Static IP Allocation"},
    {Msg::DhcpAllocationStatus, "DHCP Allocation Status"},
    {Msg::SendApiCmd, "Send API Cmd"},
    {Msg::SendingCmd, "Sending Cmd..."},
    {Msg::Ip, "IP"},
    {Msg::Available, "Available"},
    {Msg::BatchNetworkSetup, "Batch Network Setup"},
    {Msg::NetworkSetup, "Network Setup"},
    {Msg::Ok, "OK"},
    {Msg::Invalid, "Invalid"},
    {Msg::Short, "Short"},
    {Msg::Middle, "Middle"},
    {Msg::Long, "Long"},
    {Msg::LogIn, "Log in"},
    {Msg::KeepMeSignedIn, "Keep me Signed-In"},
    {Msg::NoChange, "NoChange"},
    {Msg::IpAddress, "IP Address"},
    {Msg::UpdateStatus, "Update Status"},
    {Msg::AllNetCard, "All NetCard"},
};

constexpr std::array<Msg, 96> MakeAllSlots() {
  std::array<Msg, 96> slots{};
  for (std::size_t i = 0; i < slots.size(); ++i) slots[i] = kBuiltIn[i].slot;
  return slots;
}
static_assert(std::size(kBuiltIn) == 96, "every named slot has a built-in text");
constexpr std::array<Msg, 96> kAllSlots = MakeAllSlots();

bool ValidSlot(MessageSection section, int slot) {
  const auto index = static_cast<unsigned>(section);
  return index < 3 && slot >= 0 && slot < kMessageSlots;
}

}  // namespace

const char* SectionName(MessageSection section) {
  switch (section) {
    case MessageSection::ErrorMessage: return "ErrorMessage";
    case MessageSection::Message: return "Message";
    case MessageSection::ItemString: return "ItemString";
  }
  return "";
}

const std::array<Msg, 96>& AllMessageSlots() { return kAllSlots; }

std::string ApplyMessageEscapes(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  for (std::size_t i = 0; i < value.size();) {
    if (value[i] != '\\') {
      text += value[i++];
      continue;
    }
    text += text.find("\n\n") == std::string::npos ? "\n\n" : "\n\t";
    i += 4;  // the backslash and the three characters after it; fewer at the end
  }
  return text;
}

MessageTexts::MessageTexts() {
  for (const BuiltIn& entry : kBuiltIn) {
    slots_[static_cast<unsigned>(SectionOf(entry.slot))][SlotOf(entry.slot)] = entry.text;
  }
}

MessageTexts::MessageTexts(const MessageTexts& other) {
  std::lock_guard lock(other.mutex_);
  slots_ = other.slots_;
}

MessageTexts& MessageTexts::operator=(const MessageTexts& other) {
  if (this == &other) return *this;
  std::scoped_lock lock(mutex_, other.mutex_);
  slots_ = other.slots_;
  return *this;
}

std::string MessageTexts::Text(Msg msg) const { return Text(SectionOf(msg), SlotOf(msg)); }

std::string MessageTexts::Text(MessageSection section, int slot) const {
  if (!ValidSlot(section, slot)) return {};
  std::lock_guard lock(mutex_);
  return slots_[static_cast<unsigned>(section)][slot];
}

void MessageTexts::Set(MessageSection section, int slot, std::string text) {
  if (!ValidSlot(section, slot)) return;
  std::lock_guard lock(mutex_);
  slots_[static_cast<unsigned>(section)][slot] = std::move(text);
}

void MessageTexts::Load(const LanguageTables& tables, std::string_view language) {
  if (!tables.Has(language)) return;
  for (const MessageSection section :
       {MessageSection::ErrorMessage, MessageSection::Message, MessageSection::ItemString}) {
    const TableSection* entries = tables.FindSection(language, SectionName(section));
    if (entries == nullptr) continue;
    for (const auto& [key, value] : *entries) {
      Set(section, TableNumber(key), ApplyMessageEscapes(value));
    }
  }
}

}  // namespace scanvale
