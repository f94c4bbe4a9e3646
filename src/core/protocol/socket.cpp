#include "protocol/socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace scanvale {

namespace {

WaitResult WaitFor(int fd, short events, std::chrono::milliseconds timeout) {
  if (fd < 0) return WaitResult::kFailed;
  pollfd p{fd, events, 0};
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const int n = ::poll(&p, 1, left.count() < 0 ? 0 : static_cast<int>(left.count()));
    if (n > 0) return (p.revents & (events | POLLERR | POLLHUP)) ? WaitResult::kReady
                                                                 : WaitResult::kFailed;
    if (n == 0) return WaitResult::kTimeout;
    if (errno != EINTR) return WaitResult::kFailed;
  }
}

}  // namespace

void Socket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

WaitResult WaitReadable(int fd, std::chrono::milliseconds timeout) {
  return WaitFor(fd, POLLIN, timeout);
}

WaitResult WaitWritable(int fd, std::chrono::milliseconds timeout) {
  return WaitFor(fd, POLLOUT, timeout);
}

WaitResult WaitAnyReadable(const std::vector<int>& fds, std::chrono::milliseconds timeout,
                           std::vector<bool>& ready) {
  std::vector<pollfd> polls;
  polls.reserve(fds.size());
  for (int fd : fds) polls.push_back(pollfd{fd, POLLIN, 0});  // poll ignores negative fds
  ready.assign(fds.size(), false);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const int n = ::poll(polls.data(), polls.size(),
                         left.count() < 0 ? 0 : static_cast<int>(left.count()));
    if (n > 0) {
      for (std::size_t i = 0; i < polls.size(); ++i)
        ready[i] = polls[i].fd >= 0 && (polls[i].revents & (POLLIN | POLLERR | POLLHUP));
      return WaitResult::kReady;
    }
    if (n == 0) return WaitResult::kTimeout;
    if (errno != EINTR) return WaitResult::kFailed;
  }
}

Socket OpenTcpSocket(int protocol) {
  return Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, protocol));
}

int ConnectWithin(const Socket& socket, std::uint32_t address, std::uint16_t port,
                  std::chrono::milliseconds bound, int& error) {
  error = 0;
  const int fd = socket.fd();
  const int flags = fd >= 0 ? ::fcntl(fd, F_GETFL) : -1;
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
    error = fd < 0 ? EBADF : errno;
    return -1;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = address;
  to.sin_port = htons(port);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return 0;
  if (errno != EINPROGRESS) {
    error = errno;
    return -1;
  }
  // A blocking connect to a silent host would hang for minutes; the handshake gets `bound`.
  if (WaitWritable(fd, bound) == WaitResult::kTimeout) {
    error = ETIMEDOUT;
    return -1;
  }
  int result = 0;
  socklen_t size = sizeof result;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &size) != 0) result = errno;
  error = result;
  return result == 0 ? 0 : -1;
}

std::string LastErrorText() { return std::strerror(errno); }

}  // namespace scanvale
