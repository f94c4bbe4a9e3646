#include "support/devsim.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "support/lab_guard.h"

extern char** environ;

namespace scanvale::testing {
namespace {

using namespace std::chrono_literals;

// A record line is one flat JSON object of strings and numbers, written by devsim.py. This
// reader takes exactly that and nothing more.
class FlatJson {
 public:
  explicit FlatJson(std::string_view text) : s_(text) {}

  bool Parse(std::map<std::string, std::string>& out) {
    Skip();
    if (!Eat('{')) return false;
    Skip();
    if (Eat('}')) return true;
    for (;;) {
      std::string key, value;
      Skip();
      if (!String(key)) return false;
      Skip();
      if (!Eat(':')) return false;
      Skip();
      if (Peek() == '"') {
        if (!String(value)) return false;
      } else if (!Bare(value)) {
        return false;
      }
      out[key] = value;
      Skip();
      if (Eat('}')) break;
      if (!Eat(',')) return false;
    }
    Skip();
    return i_ == s_.size();
  }

 private:
  char Peek() const { return i_ < s_.size() ? s_[i_] : '\0'; }
  bool Eat(char c) {
    if (Peek() != c) return false;
    ++i_;
    return true;
  }
  void Skip() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n'))
      ++i_;
  }
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    while (i_ < s_.size()) {
      char c = s_[i_++];
      if (c == '"') return true;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) return false;
      c = s_[i_++];
      switch (c) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          if (i_ + 4 > s_.size()) return false;
          const unsigned long code = std::strtoul(std::string(s_.substr(i_, 4)).c_str(), nullptr, 16);
          i_ += 4;
          out += code < 0x100 ? static_cast<char>(code) : '?';  // our records are ASCII
          break;
        }
        default: out += c; break;  // \" \\ \/
      }
    }
    return false;
  }
  bool Bare(std::string& out) {  // number, true, false, null
    const std::size_t start = i_;
    while (i_ < s_.size() && s_[i_] != ',' && s_[i_] != '}' && s_[i_] != ' ') ++i_;
    out = std::string(s_.substr(start, i_ - start));
    return !out.empty();
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

// The fixture decodes records on its own, so a fault in the program's Base64 cannot hide in
// what the tests read back.
std::string DecodeBase64(std::string_view text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=') break;
    const std::size_t v = alphabet.find(c);
    if (v == std::string::npos) continue;
    bits = (bits << 6) | static_cast<unsigned>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

bool ReapWithin(pid_t pid, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
}

}  // namespace

bool ParseDevSimRecord(std::string_view line, DevSimRecord& record) {
  std::map<std::string, std::string> fields;
  if (!FlatJson(line).Parse(fields)) return false;
  for (const char* key : {"t", "proto", "link", "src", "dst", "data_b64"})
    if (!fields.count(key)) return false;
  record.t = std::strtod(fields["t"].c_str(), nullptr);
  record.proto = fields["proto"];
  record.link = fields["link"] == "null" ? -1 : std::atoi(fields["link"].c_str());
  record.src = fields["src"];
  record.dst = fields["dst"];
  record.bytes = DecodeBase64(fields["data_b64"]);
  return true;
}

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

DevSim::DevSim(const std::string& siteJson, std::chrono::milliseconds readyTimeout) {
  if (!InsideLab()) {
    ADD_FAILURE() << "DevSim: refusing to start the simulator outside a lab (scripts/lab run)";
    return;
  }
  running_ = Start(siteJson, readyTimeout);
  if (!running_) Stop();
}

bool DevSim::Start(const std::string& siteJson, std::chrono::milliseconds readyTimeout) {
  const char* netns = std::getenv("SCANVALE_LAB_NET_NS");
  if (!netns || !*netns) {
    ADD_FAILURE() << "DevSim: SCANVALE_LAB_NET_NS is not set";
    return false;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "scanvale-devsim-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    ADD_FAILURE() << "DevSim: cannot make a temporary folder: " << std::strerror(errno);
    return false;
  }
  dir_ = pattern;
  const std::string site = dir_ + "/site.json";
  const std::string ready = dir_ + "/ready";
  recordPath_ = dir_ + "/records.jsonl";
  {
    std::ofstream out(site, std::ios::binary);
    out << siteJson;
    if (!out) {
      ADD_FAILURE() << "DevSim: cannot write " << site;
      return false;
    }
  }
  std::ofstream(recordPath_, std::ios::binary).flush();  // exists even before the first record

  const std::string script = std::string(SCANVALE_SOURCE_DIR) + "/tools/devsim/devsim.py";
  std::vector<std::string> args = {"ip",     "netns",  "exec",     netns,        "python3",
                                   script,   "--site", site,       "--record",   recordPath_,
                                   "--ready", ready};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, "ip", nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    ADD_FAILURE() << "DevSim: cannot start the simulator: " << std::strerror(rc);
    return false;
  }
  pid_ = pid;

  const auto deadline = std::chrono::steady_clock::now() + readyTimeout;
  while (!std::filesystem::exists(ready)) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      ADD_FAILURE() << "DevSim: the simulator ended before it was ready (status " << status << ")";
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ADD_FAILURE() << "DevSim: the simulator was not ready within " << readyTimeout.count()
                    << " ms";
      return false;
    }
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

void DevSim::Stop() {
  running_ = false;
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    if (!ReapWithin(pid_, 3s)) {
      kill(pid_, SIGKILL);
      ReapWithin(pid_, 3s);
    }
    pid_ = -1;
  }
}

DevSim::~DevSim() {
  Stop();
  if (!dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
}

std::vector<DevSimRecord> DevSim::Records() const {
  std::vector<DevSimRecord> records;
  if (recordPath_.empty()) return records;
  std::ifstream in(recordPath_, std::ios::binary);
  std::string line;
  // A line is whole only once its newline is there; a half-written last line is left for the
  // next call.
  while (std::getline(in, line)) {
    if (in.eof()) break;
    DevSimRecord record;
    if (ParseDevSimRecord(line, record)) records.push_back(std::move(record));
  }
  return records;
}

std::vector<DevSimRecord> DevSim::WaitForRecords(
    std::size_t count, std::chrono::milliseconds timeout,
    const std::function<bool(const DevSimRecord&)>& match) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    std::vector<DevSimRecord> found;
    for (auto& r : Records())
      if (!match || match(r)) found.push_back(std::move(r));
    if (found.size() >= count || std::chrono::steady_clock::now() >= deadline) return found;
    std::this_thread::sleep_for(10ms);
  }
}

}  // namespace scanvale::testing
