#pragma once
// What every benchmark needs around its measurement: the refusal to open a socket outside
// the lab, the simulator on the lab's network side, child processes, and the kernel's own
// figures for this process.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace scanvale::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Only inside the lab's host-side namespace: the one the lab script names, with no road out.
inline bool InsideLab() {
  const char* ns = std::getenv("SCANVALE_LAB_HOST_NS");
  if (!ns || std::strncmp(ns, "svh-", 4) != 0 || std::strchr(ns, '/')) return false;
  struct stat self{}, lab{}, init{};
  if (stat("/proc/self/ns/net", &self) != 0) return false;
  if (stat((std::string("/run/netns/") + ns).c_str(), &lab) != 0) return false;
  if (self.st_ino != lab.st_ino || self.st_dev != lab.st_dev) return false;
  if (stat("/proc/1/ns/net", &init) == 0 && init.st_ino == self.st_ino) return false;
  return true;
}

// Starts a program found on PATH; its standard output goes to `out` when one is named.
inline int Spawn(std::vector<std::string> args, pid_t& pid, const std::string& out = {}) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!out.empty())
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? 0 : -1;
}

// Asks a child to stop (SIGTERM), kills it after `grace`, and reaps it.
inline void StopChild(pid_t pid, std::chrono::milliseconds grace = std::chrono::seconds(3)) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status = 0;
  const auto end = Clock::now() + grace;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() > end) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// The simulator on the lab's network side, for the benchmark's lifetime. It works in `dir`,
// or in a temporary folder of its own (deleted afterwards) when none is given.
class Simulator {
 public:
  explicit Simulator(const std::string& site, const std::string& dir = {}) : dir_(dir) {
    if (dir_.empty()) {
      char pattern[] = "/tmp/scanvale-bench.XXXXXX";
      if (!mkdtemp(pattern)) return;
      dir_ = pattern;
      ownsDir_ = true;
    }
    const std::string sitePath = dir_ + "/site.json", ready = dir_ + "/ready";
    std::ofstream(sitePath) << site;
    const char* source = std::getenv("SCANVALE_SOURCE_DIR");
    const std::string script =
        std::string(source && *source ? source : ".") + "/tools/devsim/devsim.py";
    const char* ns = std::getenv("SCANVALE_LAB_NET_NS");
    if (Spawn({"ip", "netns", "exec", ns ? ns : "", "python3", script, "--site", sitePath,
               "--record", dir_ + "/record.jsonl", "--ready", ready},
              pid_) != 0) {
      pid_ = -1;
      return;
    }
    const auto end = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < end && !std::filesystem::exists(ready))
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ready_ = std::filesystem::exists(ready);
  }
  ~Simulator() {
    StopChild(pid_);
    if (ownsDir_) std::filesystem::remove_all(dir_);
  }
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  bool ready() const { return ready_; }
  std::string Uploads() const { return dir_ + "/uploads"; }

 private:
  std::string dir_;
  bool ownsDir_ = false;
  pid_t pid_ = -1;
  bool ready_ = false;
};

// A figure of /proc/self/status in KiB ("VmHWM:", "VmRSS:"); -1 when missing.
inline long StatusKiB(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + std::strlen(key), nullptr, 10);
  return -1;
}

// Threads of this process now.
inline int ThreadCount() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* e = readdir(dir)) n += e->d_name[0] != '.';
    closedir(dir);
  }
  return n;
}

}  // namespace scanvale::bench
