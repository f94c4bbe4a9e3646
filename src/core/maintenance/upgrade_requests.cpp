#include "maintenance/upgrade_requests.h"

#include <initializer_list>

#include "maintenance/http_request.h"

namespace scanvale {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kAcceptHtml = "Accept: text/html, application/xhtml+xml, */*";
constexpr std::string_view kAgentIe9 =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";

class Lines {
 public:
  Lines& Add(std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces) text_.append(piece);
    text_.append(kCrLf);
    return *this;
  }
  std::string End() {
    text_.append(kCrLf);
    return std::move(text_);
  }

 private:
  std::string text_;
};

std::string AbsoluteGet(std::string_view ip, std::string_view path, std::string_view auth) {
  return Lines()
      .Add({"GET http://", ip, path, " HTTP/1.1"})
      .Add({kAcceptHtml})
      .Add({"Accept-Language: zh-TW"})
      .Add({kAgentIe9})
      .Add({"Accept-Encoding: gzip, deflate"})
      .Add({"Host: ", ip})
      .Add({"Authorization: Basic ", auth})
      .End();
}

std::string Referer(std::string_view ip) {
  std::string line = "Referer: http://";
  line.append(ip);
  line.append("/cgi-bin/server_upgrade.cgi");
  return line;
}

std::string ContentTypeMultipart() {
  std::string line = "Content-Type: multipart/form-data; boundary=";
  line.append(kMultipartBoundary);
  return line;
}

}  // namespace

std::string MakePlatformCheckRequest(std::string_view ip, std::string_view auth) {
  return AbsoluteGet(ip, "/cgi-bin/admin/getplatform.cgi", auth);
}

std::string MakeBuildDateRequest(std::string_view ip, std::string_view auth) {
  return AbsoluteGet(ip, "/cgi-bin/admin/param.cgi?action=list&group=Properties", auth);
}

std::string MakeBeforeUpgradeRequest(UpgradePath path, std::string_view ip,
                                     std::string_view auth) {
  if (path == UpgradePath::kApi) {
    return Lines()
        .Add({"GET /cgi-bin/admin/beforeupgrade.cgi HTTP/1.1"})
        .Add({"Host: ", ip})
        .Add({"Accept: text/html, */*"})
        .Add({"Authorization: Basic ", auth})
        .End();
  }
  return Lines()
      .Add({"GET /cgi-bin/begintoupgrade.cgi HTTP/1.1"})
      .Add({kAcceptHtml})
      .Add({Referer(ip)})
      .Add({"Accept-Language: zh-TW"})
      .Add({kAgentIe9})
      .Add({"Accept-Encoding: gzip, deflate"})
      .Add({"Host: ", ip})
      .Add({"Authorization: Basic ", auth})
      .End();
}

std::string MakeConfigVersionRequest(std::string_view ip, std::string_view auth) {
  return MakeRequestSetA(
      MakeGetLine("/cgi-bin/admin/param.cgi?action=list&group=Properties.Firmware.Version"), ip,
      auth);
}

std::string ConfigRestoreTarget(std::string_view versionReply, std::string_view fileName) {
  std::string target = versionReply.find("503 Service Unavailable") != std::string_view::npos
                            ? "/cgi-bin/restore_config.cgi?filename="
                            : "/cgi-bin/admin/restore.cgi?filename=";
  target.append(fileName);
  return target;
}

std::string FirmwareUpgradeTarget(std::string_view fileName) {
  std::string target = "/cgi-bin/admin/firmwareupgrade.cgi?filename=";
  target.append(fileName);
  return target;
}

std::string MakeApiPostRequest(std::string_view target, std::string_view ip,
                               std::string_view auth, std::uint64_t bodyLength) {
  const std::string length = std::to_string(bodyLength);
  return Lines()
      .Add({"POST ", target, " HTTP/1.1"})
      .Add({"Accept-Language: en-US"})
      .Add({ContentTypeMultipart()})
      .Add({"User-Agent: Mozilla/4.0"})
      .Add({"Accept-Encoding: gzip, deflate"})
      .Add({"Host: ", ip})
      .Add({"Content-Length: ", length})
      .Add({"Cache-Control: no-cache"})
      .Add({"Authorization: Basic ", auth})
      .End();
}

std::string MakeUiUploadRequest(std::string_view ip, std::string_view auth,
                                std::uint64_t bodyLength) {
  const std::string length = std::to_string(bodyLength);
  return Lines()
      .Add({"POST /cgi-bin/upload.cgi HTTP/1.1"})
      .Add({kAcceptHtml})
      .Add({Referer(ip)})
      .Add({"Accept-Language: zh-TW"})
      .Add({kAgentIe9})
      .Add({ContentTypeMultipart()})
      .Add({"Accept-Encoding: gzip, deflate"})
      .Add({"Host: ", ip})
      .Add({"Content-Length: ", length})
      .Add({"Cache-Control: no-cache"})
      .Add({"Authorization: Basic ", auth})
      .End();
}

std::string MakeDoUpgradeRequest(std::string_view ip, std::string_view auth) {
  return Lines()
      .Add({"POST /cgi-bin/doupgrade.cgi HTTP/1.1"})
      .Add({kAcceptHtml})
      .Add({Referer(ip)})
      .Add({"Accept-Language: zh-TW"})
      .Add({kAgentIe9})
      .Add({"Content-Type: application/x-www-form-urlencoded"})
      .Add({"Accept-Encoding: gzip, deflate"})
      .Add({"Host: ", ip})
      .Add({"Content-Length: 0"})
      .Add({"Cache-Control: no-cache"})
      .Add({"Authorization: Basic ", auth})
      .End();
}

std::string MultipartHead(UpgradePath path, std::string_view fileName) {
  const std::string_view part = path == UpgradePath::kApi ? "dummy" : "filename";
  std::string head = "--";
  head.append(kMultipartBoundary);
  head.append(kCrLf);
  head.append("Content-Disposition: form-data; name=\"");
  head.append(part);
  head.append("\"; filename=\"");
  head.append(fileName);
  head.append("\"");
  head.append(kCrLf);
  head.append("Content-Type: application/octet-stream");
  head.append(kCrLf);
  head.append(kCrLf);
  return head;
}

std::string MultipartTail() {
  std::string tail(kCrLf);
  tail.append("--");
  tail.append(kMultipartBoundary);
  tail.append("--");
  tail.append(kCrLf);
  return tail;
}

std::uint64_t MultipartOverhead(UpgradePath path, std::string_view fileName) {
  return MultipartHead(path, fileName).size() + MultipartTail().size();
}

bool IsSendableFileName(std::string_view fileName) {
  if (fileName.empty()) return false;
  for (unsigned char c : fileName)
    if (c < 0x20 || c == 0x7f) return false;
  return true;
}

}  // namespace scanvale
