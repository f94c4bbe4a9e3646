#pragma once
// The network paths of a search run (TCP relay, all adapters, one adapter) and the decoding
// of what they receive. They run on the run's worker thread and write only the table they are
// given. SearchRun (search_run.h) is the way in; these are public for tests and benchmarks.

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/search_run.h"

namespace scanvale {

struct SearchContext {
  const SearchSettings& settings;
  const SearchTexts& texts;
  DeviceTable& table;
  SearchReport& report;
  const std::atomic<bool>& cancelled;
  int wakeFd = -1;  // becomes readable when the run is cancelled; every wait includes it
};

void RunTcpRelaySearch(SearchContext& context);
void RunAllAdaptersSearch(SearchContext& context);
void RunOneAdapterSearch(SearchContext& context);

// One adapter: the replies of one pass, kReplySlotSize bytes kept of each, kReplyStoreSlots
// at most.
class ReplyStore {
 public:
  ReplyStore();
  bool Full() const { return count_ >= kReplyStoreSlots; }
  int Count() const { return count_; }
  // Keeps the first kReplySlotSize bytes of `datagram`; false when the store is full.
  bool Add(std::string_view datagram);
  // The stored text of slot i: up to its first NUL, never past the slot.
  std::string_view Slot(int i) const;

 private:
  std::vector<char> bytes_;
  std::vector<int> lengths_;
  int count_ = 0;
};

// One stored reply: at most kReplyDecodeLimit Base64 characters decoded into a zero-filled
// kReplySlotSize area, complemented, parsed with the length kReplyDecodeLimit. New devices.
int DecodeStoredReply(std::string_view slot, DeviceTable& table);

// One datagram of the all-adapters mode: decoded whole, but only its first package is read.
int DecodeDatagramFirstPackage(std::string_view text, DeviceTable& table);

// The TCP relay's answer: one Base64 text of NUL-terminated replies, read with the number of
// characters received as the length.
int DecodeRelayAnswer(std::string_view text, DeviceTable& table);

}  // namespace scanvale
