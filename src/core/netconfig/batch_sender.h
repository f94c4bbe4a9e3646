#pragma once
// SendSetUpNetwork: one set-network package per row of the batch dialog, one row after the
// other, each row's outcome handed back as it ends.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "language/messages.h"
#include "netconfig/batch_rows.h"
#include "netconfig/set_network_exchange.h"

namespace scanvale {

using ChannelFactory = std::function<std::unique_ptr<ControlChannel>()>;

// The record a row sends: the new address from column 3 when it holds one, else the current
// one from column 2 (so a DHCP run names each device by its present address). Without a
// sign-in in this dialog a row carries the empty ID and password, as the single-device
// dialog does, not the device's credential flag.
tComUnitInfo BatchRowRecord(const BatchRow& row, const std::string& networkType,
                            bool credentialsEntered);

// "Failed to be allocated.", "Username or password Error.", "Command Error." or
// "Successfully allocated.".
std::string BatchOutcomeText(const MessageTexts& texts, SetNetworkOutcome outcome);

struct BatchRowResult {
  std::size_t row = 0;
  SetNetworkOutcome outcome = SetNetworkOutcome::kFailed;
  std::vector<std::string> replies;  // decoded, for the device table
};

// Sends and listens for one row on a channel of its own.
BatchRowResult SendSetUpNetworkRow(const BatchRow& row, std::size_t index,
                                   const std::string& networkType, bool credentialsEntered,
                                   const ChannelFactory& channels,
                                   const std::atomic<bool>* stop = nullptr,
                                   const ExchangeTiming& timing = {});

// Every row in order; `onRow` runs after each. Stops early (rows left untouched) when
// `stop` is set.
void SendSetUpNetwork(const std::vector<BatchRow>& rows, const std::string& networkType,
                      bool credentialsEntered, const ChannelFactory& channels,
                      const std::function<void(BatchRowResult)>& onRow,
                      const std::atomic<bool>* stop = nullptr, const ExchangeTiming& timing = {});

}  // namespace scanvale
