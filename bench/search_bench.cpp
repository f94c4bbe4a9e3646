// Search benchmark, run inside a lab (scripts/bench):
//  1. a search against 250 simulated devices, one adapter and all adapters, "Short": wall
//     time from the click to the applied finish, the protocol floor (the waits the delay table
//     makes it wait once the replies are in) and their difference;
//  2. decoding and parsing 4000 replies into the device table and grid model, and the sort.
// The simulator is started from here on the lab's network side, like the lab tests do.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_lab.h"
#include "discovery/search_paths.h"
#include "discovery/search_run.h"
#include "protocol/control_package.h"
#include "protocol/net_adapters.h"
#include "support/dispatcher.h"

namespace {

using namespace scanvale;
using bench::Clock;
using bench::InsideLab;
using bench::Simulator;
using std::chrono::milliseconds;

constexpr int kDevices = 250;
constexpr int kRepeats = 3;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string DeviceJson(int i, int link, bool broadcast) {
  char text[512];
  std::snprintf(text, sizeof text,
                "{\"id\": \"d%03d\", \"name\": \"dev-%03d\", \"model\": \"Model-%d\", \"proj\": "
                "\"IP-Cam\", \"ip\": \"198.18.%d.%d\", \"trigger_port\": \"80\", \"netmask\": "
                "\"255.255.255.0\", \"gateway\": \"198.18.%d.254\", \"dns\": \"198.18.%d.254\", "
                "\"mac\": \"02:00:00:00:%02X:%02X\", \"dev\": \"0\", \"note\": \"bench\", \"idpw\": "
                "\"1\", \"vendor\": \"Kestrilon\", \"link\": %d, \"reply\": \"%s\"}",
                i, i, i % 17, link + 1, 2 + i, link + 1, link + 1, link, i & 0xFF, link, broadcast ? "broadcast" : "unicast");
  return text;
}

// 250 devices on link 0, or spread over the three links; every fourth answers by broadcast.
std::string Site(bool spread) {
  std::string json = "{\"devices\": [";
  for (int i = 0; i < kDevices; ++i) {
    const int link = spread ? i % 3 : 0;
    json += (i ? ",\n" : "\n") + DeviceJson(i, link, i % 4 == 3);
  }
  return json + "]}";
}

struct Measured {
  double wallMs = 0;
  double floorMs = 0;
  int devices = 0;
};

Measured OneSearch(const NetCardTable& cards, bool allAdapters) {
  SearchSettings s;
  s.netCards = cards;
  s.delayCaption = "Short";
  s.adapterItemIndex = allAdapters ? cards.m_NetCardNum : -1;
  s.adapterText = allAdapters ? "All NetCard" : "198.18.1.1";
  const DelayTimes d = DelayFor(s.delayCaption, SearchTexts{});
  // With replies in, the run waits: one adapter, a quiet later wait at the end of each pass;
  // all adapters, the allowed quiet waits and the one that decides, in each half.
  const milliseconds floor = allAdapters ? 2 * (d.allQuietWaits + 1) * d.allWait : 2 * d.oneLater;

  QueueDispatcher dispatcher;
  SearchRun run(dispatcher);
  SearchWindowState state;
  Clock::time_point finished{};
  run.events.onFinished = [&](const SearchReport&) { finished = Clock::now(); };
  const auto start = Clock::now();
  run.Start(state, s);
  while (run.Running() && Clock::now() - start < std::chrono::seconds(60))
    dispatcher.RunPending(milliseconds(5));
  return {Ms(finished - start), static_cast<double>(floor.count()),
          static_cast<int>(state.table.m_DeviceList.size())};
}

void SearchFigures(const char* title, bool allAdapters) {
  Simulator sim(Site(allAdapters));
  if (!sim.ready()) {
    std::printf("%s: the simulator did not start\n", title);
    return;
  }
  NetCardTable cards;
  GetNetCardAddrs(cards);
  FillNetCardSelector(cards, "All NetCard");
  for (int i = 0; i < kRepeats; ++i) {
    const Measured m = OneSearch(cards, allAdapters);
    std::printf("%-34s run %d: devices %3d  wall %8.1f ms  floor %6.0f ms  over floor %6.1f ms\n",
                title, i + 1, m.devices, m.wallMs, m.floorMs, m.wallMs - m.floorMs);
  }
}

std::vector<std::string> Replies(int count) {
  std::vector<std::string> wire;
  for (int i = 0; i < count; ++i) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "Kestrilon,01,Model-%d,IP-Cam,dev-%04d,198.19.%d.%d,80,255.255.0.0,198.19.0.1,"
                  "198.19.0.1,02:00:00:00:%02X:%02X,0,note,1,Kestrilon",
                  i % 23, i, i / 250, i % 250 + 1, (i >> 8) & 0xFF, i & 0xFF);
    wire.push_back(EncodeWire(text));
  }
  return wire;
}

void ParseFigures() {
  const std::vector<std::string> wire = Replies(kReplyStoreSlots);
  for (int i = 0; i < kRepeats; ++i) {
    // One adapter's road: the store, the 511-character decode, the table and grid.
    ReplyStore store;
    for (const auto& w : wire) store.Add(w);
    DeviceTable table;
    table.UseDuplicateIndex(true);  // as the run's own table
    auto t0 = Clock::now();
    int found = 0;
    for (int k = 0; k < store.Count(); ++k) found += DecodeStoredReply(store.Slot(k), table);
    const double storeMs = Ms(Clock::now() - t0);

    DeviceTable table2;
    table2.UseDuplicateIndex(true);
    t0 = Clock::now();
    int found2 = 0;
    for (const auto& w : wire) found2 += DecodeDatagramFirstPackage(w, table2);
    const double datagramMs = Ms(Clock::now() - t0);

    GridSortState sort{kColName, false};
    t0 = Clock::now();
    SortGrid(table.grid, kColName, sort);
    const double sortMs = Ms(Clock::now() - t0);
    std::printf("parse 4000 replies run %d: one-adapter store %6.2f ms (%d devices), "
                "datagram path %6.2f ms (%d devices), sort by name %6.2f ms\n",
                i + 1, storeMs, found, datagramMs, found2, sortMs);
  }
}

}  // namespace

int main() {
  if (!InsideLab()) {
    std::fprintf(stderr, "search_bench: refusing to open sockets outside a lab (scripts/bench)\n");
    return 2;
  }
  SearchFigures("search 250 devices, one adapter", false);
  SearchFigures("search 250 devices, all adapters", true);
  ParseFigures();
  return 0;
}
