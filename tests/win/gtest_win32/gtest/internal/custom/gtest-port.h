// GoogleTest's own customisation point, taken instead of its empty default in
// the i686 build. The release compiler's win32 thread model has no std::mutex
// or std::condition_variable, which GoogleTest's Notification is made of; this
// one waits on an atomic flag instead. GoogleTest hands it only to the threads
// of its own thread tests; the tests here run on one thread.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { notified_.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!notified_.load(std::memory_order_acquire)) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
