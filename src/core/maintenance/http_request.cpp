#include "maintenance/http_request.h"

#include <initializer_list>

#include "protocol/base64.h"

namespace scanvale {

namespace {

constexpr std::string_view kCrLf = "\r\n";

constexpr std::string_view kAcceptSetAB =
    "Accept: image/gif, image/jpeg, image/pjpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, "
    "application/x-ms-application, application/x-ms-xbap, application/vnd.ms-xpsdocument, "
    "application/xaml+xml, */*";
constexpr std::string_view kAgentSetA =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";
constexpr std::string_view kAgentSetB =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; Trident/4.0; "
    ".NET CLR 1.1.4322; .NET CLR 2.0.50727; .NET CLR 3.0.4506.2152; .NET CLR 3.5.30729)";
constexpr std::string_view kAgentSetC =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.1; Trident/6.0)";

void AppendLine(std::string& out, std::initializer_list<std::string_view> pieces) {
  for (std::string_view piece : pieces) out.append(piece);
  out.append(kCrLf);
}

std::string BasicSet(std::string_view requestLine, std::string_view agent, std::string_view ip,
                     std::string_view basicAuth) {
  std::string out;
  AppendLine(out, {requestLine});
  AppendLine(out, {kAcceptSetAB});
  AppendLine(out, {"Accept-Language: zh-TW"});
  AppendLine(out, {agent});
  AppendLine(out, {"Accept-Encoding: gzip, deflate"});
  AppendLine(out, {"Host: ", ip});
  AppendLine(out, {"Connection: Keep-Alive"});
  AppendLine(out, {"Authorization: Basic ", basicAuth});
  out.append(kCrLf);
  return out;
}

}  // namespace

std::string MakeGetLine(std::string_view target) {
  std::string line = "GET ";
  line.append(target);
  line.append(" HTTP/1.1");
  return line;
}

std::string MakeBasicAuth(std::string_view user, std::string_view password) {
  std::string idPw(user);
  idPw.push_back(':');
  idPw.append(password);
  return Base64Encode(idPw);
}

std::string MakeRequestSetA(std::string_view requestLine, std::string_view ip,
                            std::string_view basicAuth) {
  return BasicSet(requestLine, kAgentSetA, ip, basicAuth);
}

std::string MakeRequestSetB(std::string_view requestLine, std::string_view ip,
                            std::string_view basicAuth) {
  return BasicSet(requestLine, kAgentSetB, ip, basicAuth);
}

std::string MakeRequestSetC(std::string_view requestLine, std::string_view ip,
                            std::string_view authorizationLine) {
  std::string out;
  AppendLine(out, {requestLine});
  AppendLine(out, {"Accept: text/html, application/xhtml+xml, */*"});
  AppendLine(out, {"Accept-Language: zh-TW"});
  AppendLine(out, {kAgentSetC});
  AppendLine(out, {"Accept-Encoding: gzip, deflate"});
  AppendLine(out, {"Host: ", ip});
  AppendLine(out, {"DNT: 1"});
  AppendLine(out, {"Connection: Keep-Alive"});
  if (!authorizationLine.empty()) AppendLine(out, {authorizationLine});
  out.append(kCrLf);
  return out;
}

std::uint16_t ParsePortText(std::string_view port) {
  std::size_t i = 0;
  while (i < port.size() && (port[i] == ' ' || port[i] == '\t')) ++i;
  std::uint32_t value = 0;
  bool any = false;
  for (; i < port.size() && port[i] >= '0' && port[i] <= '9'; ++i) {
    any = true;
    value = value * 10 + static_cast<std::uint32_t>(port[i] - '0');
    if (value > 65535) return 0;
  }
  return any ? static_cast<std::uint16_t>(value) : 0;
}

}  // namespace scanvale
