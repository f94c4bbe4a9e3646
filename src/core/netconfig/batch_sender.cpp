#include "netconfig/batch_sender.h"

#include "netconfig/net_form_apply.h"
#include "protocol/control_package.h"
#include "protocol/diag_log.h"

namespace scanvale {

tComUnitInfo BatchRowRecord(const BatchRow& row, const std::string& networkType,
                            bool credentialsEntered) {
  const bool hasNewIp = !row[kBatchNewIp].empty() && IsValidInetAddr(row[kBatchNewIp]);
  tComUnitInfo r;
  ClearRecord(r);
  SetField(r.note, PackageFieldText(networkType));
  SetField(r.model, PackageFieldText(row[kBatchModel]));
  SetField(r.proj, PackageFieldText(row[kBatchProj]));
  SetField(r.name, PackageFieldText(row[kBatchName]));
  SetField(r.ip, PackageFieldText(row[hasNewIp ? kBatchNewIp : kBatchIp]));
  SetField(r.trigger_port, PackageFieldText(row[kBatchPort]));
  SetField(r.netmask, PackageFieldText(row[kBatchNetmask]));
  SetField(r.gateway, PackageFieldText(row[kBatchGateway]));
  SetField(r.dns, PackageFieldText(row[kBatchDns]));
  SetField(r.mac, PackageFieldText(row[kBatchMac]));
  SetField(r.dev, PackageFieldText(row[kBatchDev]));
  SetField(r.vendor, PackageFieldText(row[kBatchVendor]));
  SetField(r.idpw, credentialsEntered ? row[kBatchIdpw] : std::string(":"));
  return r;
}

std::string BatchOutcomeText(const MessageTexts& texts, SetNetworkOutcome outcome) {
  switch (outcome) {
    case SetNetworkOutcome::kFailed: return texts.Text(Msg::FailedToBeAllocated);
    case SetNetworkOutcome::kCredentialsRefused: return texts.Text(Msg::UsernameOrPasswordError);
    case SetNetworkOutcome::kCommandRefused: return texts.Text(Msg::CommandError);
    case SetNetworkOutcome::kSent: break;
  }
  return texts.Text(Msg::SuccessfullyAllocated);
}

BatchRowResult SendSetUpNetworkRow(const BatchRow& row, std::size_t index,
                                   const std::string& networkType, bool credentialsEntered,
                                   const ChannelFactory& channels, const std::atomic<bool>* stop,
                                   const ExchangeTiming& timing) {
  BatchRowResult result;
  result.row = index;
  // A row that no device filled has nothing to name in a package.
  if (row[kBatchMac].empty()) return result;
  const tComUnitInfo record = BatchRowRecord(row, networkType, credentialsEntered);
  std::string wire;
  if (MakeControlPkg(kFlagSetNetwork, wire, &record) != 0) return result;
  std::unique_ptr<ControlChannel> channel = channels ? channels() : nullptr;
  if (!channel) return result;

  const ReplyMatch device{row[kBatchIp], row[kBatchMac]};
  ExchangeResult exchange = RunSetNetworkExchange(*channel, wire, device, stop, timing);
  const std::string ip(FieldText(record.ip)), mac(FieldText(record.mac));
  for (std::size_t i = 0; i < exchange.replies.size(); ++i)
    DiagLog::Printf("ip[%s] mac[%s]", ip.c_str(), mac.c_str());
  if (exchange.outcome == SetNetworkOutcome::kCredentialsRefused &&
      channel->Mode() == AdapterMode::kOneAdapter)
    DiagLog::Append("SendSetUpNetwork_ret -2");
  if (exchange.outcome == SetNetworkOutcome::kCommandRefused &&
      channel->Mode() == AdapterMode::kOneAdapter)
    DiagLog::Append("SendSetUpNetwork_ret -1");
  result.outcome = exchange.outcome;
  result.replies = std::move(exchange.replies);
  return result;
}

void SendSetUpNetwork(const std::vector<BatchRow>& rows, const std::string& networkType,
                      bool credentialsEntered, const ChannelFactory& channels,
                      const std::function<void(BatchRowResult)>& onRow,
                      const std::atomic<bool>* stop, const ExchangeTiming& timing) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (stop && stop->load()) return;
    BatchRowResult result =
        SendSetUpNetworkRow(rows[i], i, networkType, credentialsEntered, channels, stop, timing);
    if (onRow) onRow(std::move(result));
  }
}

}  // namespace scanvale
