#include "download/thread_proc.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "download/body_file.h"
#include "download/download_failure.h"
#include "httpclient/http_client.h"
#include "log/log_manager.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/text.h"

namespace {

constexpr std::int32_t attempts = 5;
constexpr std::uint32_t send_timeout_s = 4;
constexpr std::uint32_t response_timeout_s = 3;
constexpr std::uint32_t read_timeout_s = 8;
constexpr std::uint32_t read_buffer_bytes = 2048;
constexpr std::uint32_t progress_interval_ms = 500;

constexpr std::u16string_view update_error_caption = u"更新错误";

constexpr auto relaxed = std::memory_order_relaxed;

// Removes the job's partial file, shows the box and ends the whole process, every other worker
// included. The process ends without unwinding, so the file goes first.
[[noreturn]] void fail_with_box(body_file& file, platform::window_handle owner,
                                std::u16string_view text, std::u16string_view caption) {
  file.discard();
  platform::message_box(owner, text, caption, platform::box_buttons::ok);
  platform::exit_process(0);
}

[[noreturn]] void fail_not_found(const PacketJob& job, body_file& file) {
  LOG_LINE(LOG_ERROR, "ThreadProc") << "request resource not found:" << job.lpURL;
  const std::u16string text =
      u"请求的资源(" + platform::from_ansi(job.lpURL) + u")不存在，请联系GM!";
  fail_with_box(file, 0, text, u"提示");
}

// One failed step of the request; after the last attempt the process ends. The outcome is
// logged before the box, which may wait for the player for ever.
void count_request_failure(PacketJob& job, body_file& file, const char* step) {
  LOG_LINE(LOG_INFO, "ThreadProc") << step << " FAIL:" << ", id=" << job.id;
  if (job.retry_cnt.fetch_add(1, relaxed) + 1 < attempts) return;
  LOG_LINE(LOG_ERROR, "ThreadProc") << "no answer after " << attempts
                                    << " attempts, url=" << job.lpURL << ", id=" << job.id;
  fail_with_box(file, job.wnd, u"由于您的网络不稳定，程序请求数据更新失败，即将退出",
                update_error_caption);
}

struct body_result {
  std::int32_t sum = 0;
  std::int32_t last_result = HC_OK;
};

// Reads the body into the job's file, keeping bufsize current and posting progress at most
// every progress_interval_ms. Stops early when the file cannot take the bytes.
body_result receive_body(PacketJob& job, HTTPClientContext* context, body_file& file,
                         std::uint32_t& last_post_time) {
  body_result r;
  if (!file.restart()) return r;
  while (true) {
    if (r.sum == job.byte_limit) {
      LOG_LINE(LOG_ERROR, "ThreadProc") << "Buffer not large enough!, bufsize=" << job.byte_limit
                                        << ", total=" << r.sum << ", id=" << job.id;
      break;
    }
    // A read delivers one byte less than its room: the last one takes a terminator. Never
    // more than the largest body a job takes.
    const auto left = static_cast<std::uint32_t>(job.byte_limit - r.sum);
    const std::uint32_t room = std::min(read_buffer_bytes, left + 1);
    char* destination = file.room_for(room);
    if (destination == nullptr) break;
    std::uint32_t received = 0;
    r.last_result = HTTPClientRecvBody(context, destination, room, read_timeout_s, &received);
    file.add(received);
    r.sum += static_cast<std::int32_t>(received);
    job.bufsize.store(r.sum, relaxed);
    const std::uint32_t now = platform::tick_count();
    if (now - last_post_time >= progress_interval_ms) {
      last_post_time = now;
      platform::post_message(job.wnd, WM_DOWNLOAD_PROGRESS, 0, 0);
    }
    if (r.last_result != HC_OK) break;
  }
  return r;
}

// unsaved: the file could not take the body; the job ends without it.
enum class attempt_outcome { again, finished, exhausted, unsaved };

// What the attempts of one job share besides the job record.
struct job_progress {
  std::uint32_t last_post_time = 0;
  std::int32_t last_result = HC_OK;
  bool secure_reason_logged = false;
};

// Why the secure channel failed, once per job: every attempt of a job meets the same refused
// certificate, and an ERROR line is a report to the operator that holds the logger meanwhile.
// A refused handshake is the operator's to mend (ERROR); a session that broke later is logged
// as the other transfer failures are. The URL goes without its query.
void log_secure_failure(const PacketJob& job, const HTTPClientContext* context,
                        std::int32_t result, job_progress& progress) {
  const std::string_view reason = HTTPClientGetSecureFailure(context);
  if (reason.empty() || progress.secure_reason_logged) return;
  progress.secure_reason_logged = true;
  const std::string_view url(job.lpURL);
  LOG_LINE(result == HC_SECURE_FAILED ? LOG_ERROR : LOG_INFO, "ThreadProc")
      << "secure connection failed: " << reason << ", url=" << url.substr(0, url.find('?'))
      << ", id=" << job.id;
}

attempt_outcome count_incomplete_attempt(PacketJob& job) {
  return job.retry_cnt.fetch_add(1, relaxed) + 1 < attempts ? attempt_outcome::again
                                                            : attempt_outcome::exhausted;
}

// One attempt: request, response, body. Ends the process itself where the failure is final.
attempt_outcome run_attempt(PacketJob& job, body_file& file, job_progress& progress) {
  std::int32_t& last_result = progress.last_result;
  char range_text[12] = {};
  const char* range = nullptr;
  if (const std::int32_t earlier = job.bufsize.load(relaxed); earlier > 0) {
    std::snprintf(range_text, sizeof range_text, "%d", earlier);
    range = range_text;
    LOG_LINE(LOG_INFO, "ThreadProc") << "Redownload, start pos=" << range_text;
  }

  HTTPClientContextPtr context(HTTPClientCreateContext(0));
  if ((last_result = HTTPClientSetVerb(context.get(), HTTP_VERB_GET)) != HC_OK) {
    count_request_failure(job, file, "HTTPClientSetVerb");
    return attempt_outcome::again;
  }
  last_result = HTTPClientSendRequest(context.get(), job.lpURL, nullptr, 0, 0, send_timeout_s, 0,
                                      range);
  if (last_result != HC_OK) {
    log_secure_failure(job, context.get(), last_result, progress);
    count_request_failure(job, file, "HTTPClientSendRequest");
    return attempt_outcome::again;
  }
  if ((last_result = HTTPClientRecvResponse(context.get(), response_timeout_s)) != HC_OK) {
    log_secure_failure(job, context.get(), last_result, progress);
    count_request_failure(job, file, "HTTPClientRecvResponse");
    return attempt_outcome::again;
  }
  if (HTTPClientGetStatus(context.get()) == 404) fail_not_found(job, file);

  // The file's length comes from the first response that announced one.
  if (job.totalsize.load(relaxed) == 0)
    job.totalsize.store(HTTPClientGetContentLength(context.get()), relaxed);
  if (job.totalsize.load(relaxed) <= 0) {
    LOG_LINE(LOG_INFO, "ThreadProc") << "Content Length is empty, id=" << job.id;
    if (job.retry_cnt.fetch_add(1, relaxed) + 1 < attempts) return attempt_outcome::again;
    LOG_LINE(LOG_ERROR, "ThreadProc") << "no file length after " << attempts
                                      << " attempts, url=" << job.lpURL << ", id=" << job.id;
    fail_with_box(file, job.wnd, u"获取文件长度失败", update_error_caption);
  }

  const body_result body = receive_body(job, context.get(), file, progress.last_post_time);
  last_result = body.last_result;
  if (last_result != HC_END_OF_DATA) log_secure_failure(job, context.get(), last_result, progress);
  context.reset();
  if (file.failed()) return attempt_outcome::unsaved;
  if (body.sum >= job.byte_limit) {
    LOG_LINE(LOG_ERROR, "ThreadProc") << "file too large! max size=" << job.byte_limit
                                      << ", filesize:" << body.sum
                                      << (job.byte_limit < MAX_PACKET_BYTES ? ", url=" : "")
                                      << (job.byte_limit < MAX_PACKET_BYTES ? job.lpURL : "");
    fail_with_box(file, 0, u"文件过大，更新失败", u"错误");
  }
  if (job.bufsize.load(relaxed) >= job.totalsize.load(relaxed)) {
    LOG_LINE(LOG_INFO, "ThreadProc") << "Recv buffer_size >= file_total_size, break, download finish!";
    return attempt_outcome::finished;
  }
  return count_incomplete_attempt(job);
}

}  // namespace

std::int32_t ThreadProc(std::shared_ptr<PacketJob> shared_job) {
  PacketJob& job = *shared_job;
  job.thread_status.store(PACKET_RUNNING, relaxed);
  job_progress progress;
  progress.last_post_time = platform::tick_count();
  WinsockStartup(1);

  body_file file(job.savePath);
  attempt_outcome outcome = attempt_outcome::again;
  while ((outcome = run_attempt(job, file, progress)) == attempt_outcome::again) {
  }
  const std::int32_t last_result = progress.last_result;
  const bool unsaved = outcome == attempt_outcome::unsaved;

  const std::int32_t bufsize = job.bufsize.load(relaxed);
  const std::int32_t totalsize = job.totalsize.load(relaxed);
  LOG_LINE(LOG_DEBUG, "ThreadProc") << "Retry_cnt=" << job.retry_cnt.load(relaxed)
                                    << ", id=" << job.id << ", bufsize=" << bufsize
                                    << ", totalsize=" << totalsize;
  WinsockStartup(0);
  // A body the disk would not take ends the job as done: no attempt can mend a full disk.
  const std::uint32_t status = unsaved || bufsize >= totalsize ? PACKET_DONE
                               : last_result == HC_TIMED_OUT   ? PACKET_TIMED_OUT
                                                               : PACKET_FAILED;
  job.thread_status.store(status, relaxed);
  LOG_LINE(LOG_DEBUG, "ThreadProc") << "thread_status=" << status << ", id=" << job.id;

  if (status != PACKET_DONE) {
    // Logged before the box, which may wait for the player for ever.
    LOG_LINE(LOG_ERROR, "ThreadProc") << "download failed after " << attempts
                                      << " attempts, url=" << job.lpURL << ", id=" << job.id;
    file.discard();
    end_update_after_failed_download(job.wnd, "ThreadProc");
  }

  if (!unsaved) {
    LOG_LINE(LOG_INFO, "ThreadProc") << platform::to_ansi(u"保存文件:") << job.lpName
                                     << ", id=" << job.id;
  }
  // A file that cannot be saved (no such folder, a full disk) is logged, and the finished
  // message goes out all the same: the package check that follows finds the file missing and
  // ends the update with its box, where waiting for this message would hang it. The package
  // is not flushed to the disk: it is checked and unpacked at once, and what it unpacks is not
  // flushed either, so waiting for the disk would only delay the update.
  if (unsaved || !file.keep()) {
    LOG_LINE(LOG_ERROR, "ThreadProc") << "cannot save file:" << job.lpName
                                      << ", reason=" << file.failure() << ", id=" << job.id;
  }
  platform::post_message(job.wnd, WM_DOWNLOAD_FINISHED, static_cast<std::uintptr_t>(job.id), 0);
  return last_result;
}
