#include "maintenance/http_exchange.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>

#include "maintenance/http_request.h"
#include "maintenance/locker.h"
#include "maintenance/reply_classifier.h"
#include "protocol/diag_log.h"
#include "protocol/socket.h"

namespace scanvale {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Rules {
  int protocol;
  int connectAttempts;
  int silentLimit;
  std::chrono::seconds receiveBound;
  std::size_t sendChunk;
  std::chrono::seconds sendBound;
};

Rules RulesFor(LinkVariant variant) {
  switch (variant) {
    case LinkVariant::kLink:
      return {IPPROTO_TCP, kConnectAttempts, kSilentWaitLimit, kReceivePhaseBound, kSendChunk,
              kSendPhaseBound};
    case LinkVariant::kApi:
      return {IPPROTO_TCP, 1, kSilentWaitLimit, kReceivePhaseBound, kSendChunk, kSendPhaseBound};
    case LinkVariant::kUpload:
      break;
  }
  return {0, 1, kUploadSilentWaitLimit, kUploadReceivePhaseBound, kUploadSendChunk,
          kUploadSendPhaseBound};
}

// Never a device: the wildcard address would reach this machine itself.
bool IsDeviceAddress(in_addr address) {
  const std::uint32_t host = ntohl(address.s_addr);
  return host != INADDR_ANY && host != INADDR_BROADCAST && (host >> 28) != 0xe;
}

// Hands out the request followed by the body in chunks of at most `chunkSize` bytes.
class SendStream {
 public:
  SendStream(std::string_view request, BodySource* body, std::size_t chunkSize)
      : request_(request),
        body_(body),
        bodySize_(body ? body->Size() : 0),
        chunkSize_(chunkSize),
        chunk_(new char[chunkSize]) {}

  std::uint64_t Total() const { return request_.size() + bodySize_; }
  std::uint64_t Sent() const { return sent_; }
  bool Finished() const { return sent_ >= Total(); }

  // The unsent rest of the current chunk, refilled when used up; -1 when the body fails.
  int Pending(std::string_view& out) {
    if (offset_ == length_ && Refill() != 0) return -1;
    out = std::string_view(chunk_.get() + offset_, length_ - offset_);
    return 0;
  }

  void Consume(std::size_t count) {
    offset_ += count;
    sent_ += count;
  }

 private:
  int Refill() {
    offset_ = length_ = 0;
    if (requestDone_ < request_.size()) {
      length_ = std::min(chunkSize_, request_.size() - requestDone_);
      std::memcpy(chunk_.get(), request_.data() + requestDone_, length_);
      requestDone_ += length_;
    }
    const std::uint64_t bodyLeft = bodySize_ - bodyDone_;
    if (length_ < chunkSize_ && bodyLeft > 0) {
      const std::size_t want = static_cast<std::size_t>(
          std::min<std::uint64_t>(chunkSize_ - length_, bodyLeft));
      const long got = body_->Read(chunk_.get() + length_, want);
      if (got < 0 || static_cast<std::size_t>(got) > want) return -1;
      length_ += static_cast<std::size_t>(got);
      bodyDone_ += static_cast<std::uint64_t>(got);
    }
    return length_ > 0 ? 0 : -1;  // nothing to hand out before the end: the body ended early
  }

  std::string_view request_;
  BodySource* body_;
  std::uint64_t bodySize_;
  std::size_t requestDone_ = 0;
  std::uint64_t bodyDone_ = 0;
  std::uint64_t sent_ = 0;
  std::size_t chunkSize_;
  std::unique_ptr<char[]> chunk_;
  std::size_t length_ = 0;
  std::size_t offset_ = 0;
};

class Exchange {
 public:
  Exchange(LinkVariant variant, tLinkContext& context, std::string_view ip,
           std::string_view port, std::string_view request, BodySource* body,
           const tUploadProgress& progress)
      : variant_(variant),
        rules_(RulesFor(variant)),
        context_(context),
        ip_(ip),
        portText_(port),
        request_(request),
        body_(body),
        progress_(progress) {}

  std::int32_t Run() {
    context_.m_LinkResult = kLinkFailed;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReceiveChunk]);
    if (!buffer) {
      RaiseMessage(context_.m_Prompts, variant_ == LinkVariant::kUpload
                                           ? CouldNotAllocateMessage()
                                           : CouldNotAllocateLiteralMessage());
      return GiveUp();
    }
    Socket socket;
    if (Connect(socket) != 0 || Send(socket) != 0) return GiveUp();

    std::string reply;
    bool peerClosed = false;
    Receive(socket, buffer.get(), reply, peerClosed);
    context_.m_Reply = std::move(reply);
    if (variant_ != LinkVariant::kApi || !context_.m_Reply.empty()) {
      const tClassification verdict =
          ClassifyReply(variant_, context_.m_Command, context_.m_Reply, peerClosed, ip_);
      context_.m_LinkResult = verdict.code;
      if (verdict.invalidFile) RaiseMessage(context_.m_Prompts, InvalidFileMessage());
    }
    ::shutdown(socket.fd(), SHUT_RDWR);
    return context_.m_LinkResult;
  }

 private:
  std::int32_t GiveUp() {
    context_.m_Reply.clear();
    context_.m_LinkResult = kLinkFailed;
    return kLinkFailed;
  }

  void LogIp(const char* what) { DiagLog::Printf("Ip[%s] %s", ip_.c_str(), what); }

  // The socket-failure line: the log for the job variants, the diagnostic memo for uploads.
  void LineFor(const char* what) {
    if (variant_ == LinkVariant::kLink)
      LogIp(what);
    else
      DiagLog::Append(what);
  }

  int Connect(Socket& out) {
    in_addr address{};
    if (::inet_pton(AF_INET, ip_.c_str(), &address) != 1 || !IsDeviceAddress(address)) {
      LineFor("INVALID ADDRESS");
      return -1;
    }
    const std::uint16_t port = ParsePortNumber();
    const auto start = Clock::now();
    for (int attempt = 1;; ++attempt) {
      Socket socket = OpenTcpSocket(rules_.protocol);
      if (!socket.valid()) {
        LineFor("CREATE SOCKET ERROR");
        return -1;
      }
      const auto left = std::chrono::duration_cast<milliseconds>(
          kConnectBudget - (Clock::now() - start));
      int error = 0;
      if (ConnectWithin(socket, address.s_addr, port, std::max(left, milliseconds(1)), error) ==
          0) {
        out = std::move(socket);
        return 0;
      }
      if (variant_ != LinkVariant::kLink) return -1;
      DiagLog::Printf("Ip[%s:%d] Socket:%d\r\n", ip_.c_str(), port, socket.fd());
      DiagLog::Printf("Ip[%s] CreateLink result = %s", ip_.c_str(), "0");
      DiagLog::Printf("Ip[%s] CreateLink ErrorCode = %ld", ip_.c_str(), static_cast<long>(error));
      if (attempt >= rules_.connectAttempts) {
        std::this_thread::sleep_for(kRefusedPause);
        return -1;
      }
      if (error == ETIMEDOUT || Clock::now() - start > kConnectBudget) {
        DiagLog::Printf("Ip[%s] connect timeout.", ip_.c_str());
        return -1;
      }
    }
  }

  std::uint16_t ParsePortNumber() const { return ParsePortText(portText_); }

  int Send(const Socket& socket) {
    SendStream stream(request_, body_, rules_.sendChunk);
    int silent = 0;
    const auto deadline = Clock::now() + rules_.sendBound;
    while (!stream.Finished()) {
      if (Clock::now() >= deadline) return SendExpired();
      std::string_view pending;
      if (stream.Pending(pending) != 0) {
        LineFor("BODY READ ERROR");
        return -1;
      }
      const WaitResult ready = WaitWritable(socket.fd(), kReadyWait);
      if (ready == WaitResult::kTimeout) {
        if (++silent >= rules_.silentLimit) return SendExpired();
        continue;
      }
      const long n = ready == WaitResult::kReady
                         ? ::send(socket.fd(), pending.data(), pending.size(), MSG_NOSIGNAL)
                         : -1;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        if (++silent >= rules_.silentLimit) return SendExpired();
        continue;
      }
      if (n <= 0) {
        LineFor("SEND ERROR");
        return -1;
      }
      silent = 0;
      AdvanceProgress(static_cast<std::uint64_t>(n), stream.Total() - stream.Sent());
      stream.Consume(static_cast<std::size_t>(n));
    }
    return 0;
  }

  int SendExpired() {
    switch (variant_) {
      case LinkVariant::kLink:
        LogIp("Retry failed, upload expired");
        break;
      case LinkVariant::kApi:
        LogIp("Retry failed");
        break;
      case LinkVariant::kUpload:
        RaiseMessage(context_.m_Prompts, UploadExpiredMessage());
        DiagLog::Append("Retry failed");
        break;
    }
    return -1;
  }

  void AdvanceProgress(std::uint64_t sent, std::uint64_t leftBefore) {
    if (variant_ != LinkVariant::kUpload || context_.m_Command != kKindPost ||
        !progress_.advance || leftBefore == 0)
      return;
    int step = static_cast<int>(sent / leftBefore) * 60;
    if (progress_.multi && progress_.deviceCount > 0) step /= progress_.deviceCount;
    if (step <= 0) return;
    CLocker::Scope lock(CLocker::Shared());
    progress_.advance(step);
  }

  void Receive(const Socket& socket, char* buffer, std::string& reply, bool& peerClosed) {
    const bool endAtFirstSilence =
        variant_ == LinkVariant::kApi && request_.find("default_test") != std::string_view::npos;
    const auto deadline = Clock::now() + rules_.receiveBound;
    int silent = 0;
    for (;;) {
      if (reply.size() >= kReplyCap) {
        DiagLog::Printf("Ip[%s] reply cut at %zu bytes", ip_.c_str(), reply.size());
        return;
      }
      if (Clock::now() >= deadline) {
        DiagLog::Printf("Ip[%s] reply still running after %lld s, cut", ip_.c_str(),
                        static_cast<long long>(rules_.receiveBound.count()));
        context_.m_LinkResult = kLinkFailed;
        return;
      }
      const WaitResult ready = WaitReadable(socket.fd(), kReadyWait);
      if (ready == WaitResult::kReady) {
        silent = 0;
        const long n = ::recv(socket.fd(), buffer, kReceiveChunk - 1, 0);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
        if (n <= 0) {
          peerClosed = true;
          return;
        }
        std::string_view piece(buffer, static_cast<std::size_t>(n));
        piece = piece.substr(0, piece.find('\0'));  // the reply is read as text
        reply.append(piece.substr(0, kReplyCap - reply.size()));
        continue;
      }
      if (ready == WaitResult::kFailed) {
        if (variant_ == LinkVariant::kUpload) {
          RaiseMessage(context_.m_Prompts, UploadFailedMessage());
        } else {
          RaiseMessage(context_.m_Prompts, UploadFailedLiteralMessage());
          context_.m_LinkResult = kLinkFailed;
        }
        return;
      }
      ++silent;
      if (endAtFirstSilence) {
        context_.m_LinkResult = kLinkFailed;
        return;
      }
      if (silent >= rules_.silentLimit) {
        context_.m_LinkResult = kLinkFailed;
        if (variant_ == LinkVariant::kApi) LogIp("upload expired");
        if (variant_ == LinkVariant::kUpload)
          RaiseMessage(context_.m_Prompts, UploadExpiredMessage());
        return;
      }
    }
  }

  LinkVariant variant_;
  Rules rules_;
  tLinkContext& context_;
  std::string ip_;
  std::string portText_;
  std::string_view request_;
  BodySource* body_;
  const tUploadProgress& progress_;
};

std::int32_t Run(LinkVariant variant, tLinkContext& context, std::string_view ip,
                 std::string_view port, std::string_view request, BodySource* body,
                 const tUploadProgress& progress) {
  return Exchange(variant, context, ip, port, request, body, progress).Run();
}

}  // namespace

std::int32_t CreateLink(tLinkContext& context, std::string_view ip, std::string_view port,
                        std::string_view request, std::string_view extra) {
  BytesBody body(extra);
  return Run(LinkVariant::kLink, context, ip, port, request, &body, {});
}

std::int32_t CreateLinkAPI(tLinkContext& context, std::string_view ip, std::string_view port,
                           std::string_view request, std::string_view extra) {
  BytesBody body(extra);
  return Run(LinkVariant::kApi, context, ip, port, request, &body, {});
}

std::int32_t CreateUploadLink(tLinkContext& context, std::string_view ip, std::string_view port,
                              std::string_view request, BodySource* body,
                              const tUploadProgress& progress) {
  return Run(LinkVariant::kUpload, context, ip, port, request, body, progress);
}

}  // namespace scanvale
