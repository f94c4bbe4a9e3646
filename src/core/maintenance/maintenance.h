#pragma once
// HTTP maintenance: the exchange with a device's web interface, the jobs that run one
// exchange sequence per device, and the coordinators that collect their results.
//
// Writing a command (restart, factory default, firmware version, API command) takes three
// pieces; all of them live in the core, the window only starts them and shows results.
//
// 1. A job function, run on the job's own thread. The frame around it has already set
//    m_IdPw; after it returns, m_Result is cut to 127 characters and m_Reply is emptied.
//
//      void A_Restart(CKestThread_this& job) {
//        job.Exchange(job.RequestA(MakeGetLine("/cgi-bin/admin/restart.cgi")));
//        if (job.ReplyHas("OK")) { job.m_Result = "Reboot OK"; return; }
//        ...
//      }
//
//    Exchange() is CreateLink (CKestThread_api: CreateLinkAPI) on the job's IP and port; it
//    leaves the reply in m_Reply, emptied whenever the exchange ended before receiving, so a
//    test of m_Reply never sees an earlier request's answer. RequestA / RequestB / RequestC
//    build header sets A, B and C with the job's own address and Basic credentials. For the
//    Digest path: ParseDigestChallenge(job.m_Reply, challenge), then
//    job.RequestC(line, MakeDigestResponse(challenge, job.m_User, job.m_Password, "GET", uri, 1)).
//    Set job.m_Command before Exchange() when the reply rules of a command kind apply.
//
// 2. A coordinator body, run by a CKestThread from the window's CoordinatorSet:
//
//      coordinators.Start(
//          [rows, user, password, &dispatcher, writeCell, prompts] {
//            std::vector<std::unique_ptr<CKestThread_this>> jobs;
//            for (const auto& r : rows)
//              jobs.push_back(std::make_unique<CKestThread_this>(
//                  tJobTarget{r.row, r.ip, r.port, r.mac, user, password},
//                  JobKind::kRestart, A_Restart, prompts));
//            CollectJobs(jobs, dispatcher, writeCell);   // polls every 200 ms
//          },
//          &dispatcher, restoreControls);                 // posted after it has ended
//
//    CollectJobs posts each job's tJobOutcome (row, ip, mac, result, link code) through the
//    Dispatcher as soon as that job has ended, so `writeCell` runs on the window's thread;
//    it returns once every job has ended and been destroyed. Capture copies (rows, texts),
//    never the window's live grid, in the body.
//
// 3. On the window: a CoordinatorSet member, declared after everything the coordinators'
//    callbacks use (it joins every coordinator when it goes, so none outlives its window),
//    a Dispatcher (QtDispatcher) and an ExchangePrompter whose ShowMessage shows the box
//    with the window's Prompts (Text(), Caption(), icon) and returns when it is closed.
//
// Threads: every job and coordinator is a std::thread owned by its object and joined when
// the object goes; done flags are atomics written as the thread's last act. CLocker is the
// upload workers' lock for the shared progress window. Uploads call CreateUploadLink with a
// BodySource (SegmentedBody: the multipart head, the file streamed from disk, the tail) and a
// tUploadProgress.

#include "maintenance/body_source.h"
#include "maintenance/coordinator.h"
#include "maintenance/digest_auth.h"
#include "maintenance/exchange_prompter.h"
#include "maintenance/http_exchange.h"
#include "maintenance/http_request.h"
#include "maintenance/kest_jobs.h"
#include "maintenance/kest_thread.h"
#include "maintenance/link_context.h"
#include "maintenance/locker.h"
#include "maintenance/reply_classifier.h"
