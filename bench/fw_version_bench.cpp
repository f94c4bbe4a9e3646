// Firmware version query benchmark, run inside a lab (scripts/bench): "Get FW Ver." over 254
// simulated devices, as the window runs it (one job per row under one coordinator), against
// fetching the same 254 URLs with curl, 254 processes at once, from the same simulator in the
// same run (best of three each, alternating). Ours should not be slower (curl's time over
// ours at least 1.0). Also printed: the peak thread count and the peak memory of our run.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_lab.h"
#include "maintenance/fw_version_command.h"
#include "support/dispatcher.h"

namespace {

using namespace scanvale;
using bench::Clock;
using bench::Seconds;

constexpr int kDevices = 254;
constexpr int kRepeats = 3;

// Devices 0 to 126 on the first segment, the rest on the second: a /24 holds 253 hosts
// beside the lab's own two addresses.
std::string DeviceIp(int i) {
  return i < 127 ? "198.18.1." + std::to_string(10 + i) : "198.18.2." + std::to_string(10 + i - 127);
}
std::string Version(int i) { return "V3.2." + std::to_string(i); }

std::string Site() {
  std::string site = R"({"devices": [)";
  for (int i = 0; i < kDevices; ++i) {
    char mac[32];
    std::snprintf(mac, sizeof mac, "00:0F:7C:0A:%02X:%02X", i / 256, i % 256);
    if (i) site += ",";
    site += R"({"name": "v)" + std::to_string(i) + R"(", "proj": "IP-Cam", "ip": ")" +
            DeviceIp(i) + R"(", "trigger_port": "80", "mac": ")" + mac + R"(", "link": )" +
            (i < 127 ? "0" : "1") +
            R"(, "credentials": {"id": "admin", "password": "8629"}, "web": {"firmware": ")" +
            Version(i) + R"("}})";
  }
  return site + "]}";
}

struct OurRun {
  double seconds = 0;
  int right = 0;  // rows that show their device's version
  int peakThreads = 0;
};

// Samples the thread count while a run goes on.
class ThreadPeak {
 public:
  ThreadPeak() : sampler_([this] {
      while (!stop_.load()) {
        peak_ = std::max(peak_.load(), bench::ThreadCount());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }) {}
  ~ThreadPeak() { Stop(); }
  int Stop() {
    stop_ = true;
    if (sampler_.joinable()) sampler_.join();
    return peak_;
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> peak_{0};
  std::thread sampler_;
};

OurRun Ours() {
  DeviceGrid grid;
  grid.SetRowCount(kDevices + 1);
  for (int i = 0; i < kDevices; ++i) {
    grid.SetCell(kColIp, i + 1, DeviceIp(i));
    grid.SetCell(kColPort, i + 1, "80");
  }
  QueueDispatcher window;
  tCommandRun run;
  run.user = "admin";
  run.password = "8629";
  run.dispatcher = &window;
  run.deliver = [&grid](const tJobOutcome& outcome) { WriteFWVerOutcome(grid, outcome); };

  OurRun out;
  ThreadPeak threads;
  const auto start = Clock::now();
  RunGetFWVer(FWVerTargets(grid), run);  // returns when the last job has ended and been seen
  window.RunPending();                    // the window writes the cells
  out.seconds = Seconds(Clock::now() - start);
  out.peakThreads = threads.Stop() - 1;  // less the sampler
  for (int i = 0; i < kDevices; ++i)
    out.right += grid.Cell(kColFirmware, i + 1) == Version(i) + "\r\n";
  return out;
}

struct CurlRun {
  double seconds = 0;
  int right = 0;
};

CurlRun Curl(const std::string& dir) {
  std::vector<pid_t> pids(kDevices, -1);
  CurlRun out;
  const auto start = Clock::now();
  for (int i = 0; i < kDevices; ++i)
    bench::Spawn({"curl", "-s", "--noproxy", "*", "--max-time", "30", "-u", "admin:8629",
                  "http://" + DeviceIp(i) +
                      "/cgi-bin/admin/param.cgi?action=list&group=Properties.Firmware.Version"},
                 pids[i], dir + "/curl-" + std::to_string(i));
  for (const pid_t pid : pids) {
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
  }
  out.seconds = Seconds(Clock::now() - start);
  for (int i = 0; i < kDevices; ++i) {
    std::ifstream in(dir + "/curl-" + std::to_string(i));
    const std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    out.right += body.find("Version=" + Version(i) + "\r\n") != std::string::npos;
  }
  return out;
}

}  // namespace

int main() {
  if (!bench::InsideLab()) {
    std::printf("fw_version_bench opens sockets: run it inside a lab (scripts/bench)\n");
    return 2;
  }
  char pattern[] = "/tmp/scanvale-fwver-bench.XXXXXX";
  if (!mkdtemp(pattern)) return 2;
  const std::string dir = pattern;
  int status = 1;
  {
    bench::Simulator sim(Site(), dir);
    if (!sim.ready()) {
      std::printf("the simulator did not start\n");
    } else {
      double ours = 1e9, curl = 1e9;
      int peakThreads = 0;
      bool allRight = true;
      const long memoryBefore = bench::StatusKiB("VmHWM:");
      for (int r = 0; r < kRepeats; ++r) {
        const OurRun a = Ours();
        const CurlRun b = Curl(dir);
        std::printf("run %d: ours %.3f s (%d of %d right), curl %.3f s (%d of %d right)\n", r + 1,
                    a.seconds, a.right, kDevices, b.seconds, b.right, kDevices);
        allRight = allRight && a.right == kDevices && b.right == kDevices;
        ours = std::min(ours, a.seconds);
        curl = std::min(curl, b.seconds);
        peakThreads = std::max(peakThreads, a.peakThreads);
      }
      const long peak = bench::StatusKiB("VmHWM:");
      const double ratio = curl / ours;
      std::printf("%d devices, best of %d: ours %.3f s, curl (%d processes) %.3f s\n", kDevices,
                  kRepeats, ours, kDevices, curl);
      std::printf("curl / ours: %.2f (at least 1.00 wanted) %s\n", ratio,
                  ratio >= 1.0 ? "ok" : "SLOWER");
      std::printf("peak threads of our run: %d (one job per device and the coordinator)\n",
                  peakThreads);
      std::printf("peak memory of the process: %.1f MiB (%.1f MiB before the runs)\n",
                  peak / 1024.0, memoryBefore / 1024.0);
      if (!allRight) std::printf("some rows did not show their device's version\n");
      status = ratio >= 1.0 && allRight ? 0 : 1;
    }
  }
  std::filesystem::remove_all(dir);
  return status;
}
