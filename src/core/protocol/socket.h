#pragma once
// A thin RAII layer over POSIX sockets. Every wait is a poll with a bound.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace scanvale {

class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() { Close(); }
  Socket(Socket&& other) noexcept : fd_(other.Release()) {}
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = other.Release();
    }
    return *this;
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Close();

 private:
  int fd_ = -1;
};

enum class WaitResult { kReady, kTimeout, kFailed };

// Waits until `fd` is readable (or writable), at most `timeout`.
WaitResult WaitReadable(int fd, std::chrono::milliseconds timeout);
WaitResult WaitWritable(int fd, std::chrono::milliseconds timeout);

// Waits until any of `fds` is readable, at most `timeout`; `ready` gets one flag per fd.
// Invalid descriptors (-1) are never ready.
WaitResult WaitAnyReadable(const std::vector<int>& fds, std::chrono::milliseconds timeout,
                           std::vector<bool>& ready);

// A new TCP stream socket (IPv4) with `protocol` as the socket() protocol argument (6 or 0).
// Invalid (valid() false) when the platform refuses; errno tells why.
Socket OpenTcpSocket(int protocol);

// Connects `socket` to `address` (network order) : `port` (host order), waiting at most
// `bound` for the handshake. The socket is left non-blocking either way. Returns 0, or -1
// with `error` set to the errno of the failure (ETIMEDOUT when `bound` ran out).
int ConnectWithin(const Socket& socket, std::uint32_t address, std::uint16_t port,
                  std::chrono::milliseconds bound, int& error);

// The platform's text for the last socket error.
std::string LastErrorText();

}  // namespace scanvale
