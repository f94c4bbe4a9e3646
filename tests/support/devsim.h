#pragma once
// The device simulator (tools/devsim) as a test fixture: it plays a site on the network side
// of the lab this test runs in, and tells what it received.
//
//   scanvale::testing::DevSim sim(R"({"devices": [...]})");
//   ASSERT_TRUE(sim.running());
//   ... send from the host side, read the replies ...
//   auto records = sim.WaitForRecords(1, std::chrono::seconds(2));
//
// The site is written to a temporary folder, the simulator is started with
// `ip netns exec $SCANVALE_LAB_NET_NS python3 tools/devsim/devsim.py --site --record --ready`
// and the constructor waits (bounded) until it listens. The destructor stops it (SIGTERM, then
// SIGKILL after three seconds), reaps it and deletes the folder. Outside a lab it refuses to
// start and fails the test.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace scanvale::testing {

// One thing the simulator received: a datagram, a stream connection's bytes, a request.
struct DevSimRecord {
  double t = 0;        // seconds of CLOCK_MONOTONIC, the clock of std::chrono::steady_clock
  std::string proto;   // "udp", "tcp" or "http"
  int link = -1;       // 0, 1 or 2: the lab segment it came in on
  std::string src;     // "ip:port" of the sender
  std::string dst;     // "ip:port" it was sent to (255.255.255.255 for a limited broadcast)
  std::string bytes;   // exactly what arrived
};

// Reads one line of the record file; false when it is not a record.
bool ParseDevSimRecord(std::string_view line, DevSimRecord& record);

// steady_clock's reading as the simulator writes it in DevSimRecord::t.
double SteadySeconds();

class DevSim {
 public:
  explicit DevSim(const std::string& siteJson,
                  std::chrono::milliseconds readyTimeout = std::chrono::seconds(10));
  ~DevSim();
  DevSim(const DevSim&) = delete;
  DevSim& operator=(const DevSim&) = delete;

  // True once the simulator has started and listens on every socket.
  bool running() const { return running_; }

  // Everything recorded so far, in arrival order.
  std::vector<DevSimRecord> Records() const;

  // Waits until at least `count` records satisfy `match` (every record when no match is given),
  // at most `timeout`; returns the matching records (fewer than `count` on time-out).
  std::vector<DevSimRecord> WaitForRecords(
      std::size_t count, std::chrono::milliseconds timeout,
      const std::function<bool(const DevSimRecord&)>& match = {}) const;

  // Stops the simulator now (the destructor does it otherwise); records stay readable.
  void Stop();

  const std::string& folder() const { return dir_; }
  const std::string& recordPath() const { return recordPath_; }

 private:
  bool Start(const std::string& siteJson, std::chrono::milliseconds readyTimeout);

  std::string dir_;
  std::string recordPath_;
  pid_t pid_ = -1;
  bool running_ = false;
};

}  // namespace scanvale::testing
