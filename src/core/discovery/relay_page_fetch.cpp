#include <curl/curl.h>

#include <cstring>
#include <mutex>

#include "discovery/relay_page.h"
#include "protocol/diag_log.h"

namespace scanvale {

namespace {

struct PageSink {
  std::string body;
  std::size_t maxBytes = kRelayPageMaxBytes;
  bool full = false;
};

// Keeps the first maxBytes of the page; beyond that the transfer is ended, since nothing
// after the limit is ever read.
size_t KeepPage(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<PageSink*>(user);
  const size_t bytes = size * count;
  const size_t room = sink->maxBytes - sink->body.size();
  if (bytes > room) {
    sink->body.append(data, room);
    sink->full = true;
    return 0;
  }
  sink->body.append(data, bytes);
  return bytes;
}

int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* cancel = static_cast<const std::atomic<bool>*>(user);
  return cancel && cancel->load() ? 1 : 0;
}

// A browser sends the query as typed but escapes what may not stand in a URL.
std::string EscapeForUrl(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (c <= 0x20 || c >= 0x7f || c == '#' || c == '"' || c == '<' || c == '>') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

int GetRelayPage(std::string_view relay, std::string_view requestPath,
                 std::vector<std::string>& lines, const RelayFetchOptions& options) {
  InitCurlOnce();
  const std::string url = "http://" + EscapeForUrl(relay) + EscapeForUrl(requestPath);
  PageSink sink;
  sink.maxBytes = options.maxBytes;

  CURL* curl = curl_easy_init();
  if (!curl) {
    DiagLog::Append("curl_easy_init failed\n");
    lines.clear();
    return -1;
  }
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 20L);
  // A redirect may lead to another web page, never to a file or another protocol.
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  // The relay is on the local network: a proxy from the environment must not take the
  // request elsewhere.
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeout.count()));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Scanvale/" SCANVALE_VERSION);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, KeepPage);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  if (options.cancel) {
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckCancel);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, options.cancel);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  }
  const CURLcode code = curl_easy_perform(curl);
  curl_easy_cleanup(curl);

  const bool complete = code == CURLE_OK || (code == CURLE_WRITE_ERROR && sink.full);
  if (!complete)
    DiagLog::Printf("GetRelayPage %s: %s (%zu bytes kept)\n", url.c_str(),
                    curl_easy_strerror(code), sink.body.size());

  // The page is read as text up to its first NUL.
  const std::size_t nul = sink.body.find('\0');
  if (nul != std::string::npos) sink.body.resize(nul);
  lines = SplitPageLines(sink.body);
  ApplyNoItemsRule(lines);
  return complete ? 0 : -1;
}

}  // namespace scanvale
