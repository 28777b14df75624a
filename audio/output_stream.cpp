#include "audio/output_stream.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace sonavel {

const char* OutputStream::shut_down_within(std::chrono::milliseconds limit) {
  // Shared with the worker, which may outlive this call.
  struct Finish {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
  };
  auto finish = std::make_shared<Finish>();
  std::thread worker([this, finish] {
    stop_and_close();
    terminate();
    const std::lock_guard<std::mutex> hold(finish->lock);
    finish->done = true;
    finish->finished.notify_one();
  });
  std::unique_lock<std::mutex> hold(finish->lock);
  if (finish->finished.wait_for(hold, limit, [&] { return finish->done; })) {
    hold.unlock();
    worker.join();
    return nullptr;
  }
  worker.detach();
  const char* call = pending_call();
  return call != nullptr ? call : "stop_and_close";
}

}  // namespace sonavel
