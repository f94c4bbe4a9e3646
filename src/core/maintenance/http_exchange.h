#pragma once
// One HTTP/1.1 request over a TCP connection of its own: connect, send, collect the reply,
// classify it. Three variants share the routine and differ in a few rules:
//
//                      CreateLink            CreateLinkAPI          CreateUploadLink
//   connect attempts   6 within 5 s, then    1 (5 s bound)          1 (5 s bound)
//                      500 ms pause if all
//                      were refused
//   silent 0.5 s waits 11th gives up         11th; with             301st gives up with
//   (send / receive)                         "default_test" in the  the "Upload expired!"
//                                            request the receive    box
//                                            ends at the first
//   classification     always; no PTZ bit,   only for a non-empty   always; PTZ bit;
//                      no "503" row          reply; PTZ bit         "503" row
//
// Bounds that keep any device from holding a job: each connect attempt waits at most what
// is left of 5 s; each readiness wait lasts 0.5 s; a reply is capped at kReplyCap (1 MiB)
// bytes (what came beyond is not read, the receive ends there and the capped text is
// classified); the receive phase as a whole ends after kReceivePhaseBound (uploads:
// kUploadReceivePhaseBound), so a device that drips bytes without end cannot keep it alive.
//
// When the exchange gives up before its receive phase, m_Reply is emptied and the result is
// 0. Requests go out in chunks of at most 1024 bytes; an upload's in chunks of at most
// kUploadSendChunk, since a firmware file sent a KiB per system call crawls. The device sees
// the same byte stream either way. Every function returns the result code and also leaves it
// in the context's m_LinkResult.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "maintenance/body_source.h"
#include "maintenance/link_context.h"

namespace scanvale {

inline constexpr std::size_t kReplyCap = std::size_t{1} << 20;
inline constexpr std::size_t kSendChunk = 1024;
inline constexpr std::size_t kUploadSendChunk = 64 * 1024;
inline constexpr std::size_t kReceiveChunk = 4096;
inline constexpr std::chrono::milliseconds kReadyWait{500};
inline constexpr int kConnectAttempts = 6;
inline constexpr std::chrono::milliseconds kConnectBudget{5000};
inline constexpr std::chrono::milliseconds kRefusedPause{500};
inline constexpr int kSilentWaitLimit = 11;
inline constexpr int kUploadSilentWaitLimit = 301;
inline constexpr std::chrono::seconds kReceivePhaseBound{30};
inline constexpr std::chrono::seconds kUploadReceivePhaseBound{300};
// Silence alone bounds nothing against a peer that takes a few bytes every half second. A
// request is sent in seconds; an upload of 256 MiB needs under an hour at 1 Mbit/s. Past its
// bound a send ends as one that went silent ("Upload expired!").
inline constexpr std::chrono::seconds kSendPhaseBound{30};
inline constexpr std::chrono::seconds kUploadSendPhaseBound{3600};

// How an upload's POST body moves the progress bar: every chunk adds
// (bytes sent / bytes left before it, in whole numbers) x 60, divided by deviceCount when
// several devices are upgraded; so the last chunk adds 60 (or 60 / devices). `advance` runs
// on the worker's thread inside CLocker; it must hand the step to the window's thread.
struct tUploadProgress {
  bool multi = false;
  int deviceCount = 1;
  std::function<void(int step)> advance;
};

// The maintenance jobs' exchange. `extra` is sent right after the request.
std::int32_t CreateLink(tLinkContext& context, std::string_view ip, std::string_view port,
                        std::string_view request, std::string_view extra = {});

// The API command's exchange.
std::int32_t CreateLinkAPI(tLinkContext& context, std::string_view ip, std::string_view port,
                           std::string_view request, std::string_view extra = {});

// The upload workers' exchange. `body` (may be null) is read piece by piece while it is
// sent, so a firmware file is streamed and never held whole; its Size() must already be in
// the request's Content-Length. A body that fails to read ends the exchange like a failed send.
std::int32_t CreateUploadLink(tLinkContext& context, std::string_view ip, std::string_view port,
                              std::string_view request, BodySource* body,
                              const tUploadProgress& progress = {});

}  // namespace scanvale
