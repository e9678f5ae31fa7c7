// Host copies of the simulated machine's files that finish on a worker thread while the program
// goes on: the machine decides a copy's outcome at once (both files are open, the target's name
// and mode are set) and only the bytes move later. Every host operation that could see a target
// or source still being copied waits for the copies first (AwaitHostCopies), so what the program
// and the run's results see is what a copy done on the spot would have left.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"

namespace sim {
namespace internal {

namespace {

// Copies waiting at most; past it the caller copies itself (each holds two open files).
constexpr size_t kMaxWaitingCopies = 64;
// Bytes read and written at a time when the kernel cannot copy between two files by itself.
constexpr size_t kCopyBufferBytes = 1 << 16;

struct HandedCopy {
  int in = -1;
  int out = -1;
  off_t size = 0;
  std::string from, to;
};

struct Copier {
  std::mutex mutex;
  std::condition_variable work, finished;
  std::deque<HandedCopy> waiting;
  std::multiset<std::string> sources, targets;  // of unfinished copies
  std::atomic<size_t> unfinished{0};
  std::vector<std::string> failures;
  // On a single processor the worker would only take turns with the program.
  const bool enabled = std::thread::hardware_concurrency() > 1;
  bool started = false;
};

// Never destroyed: the worker may still be waiting for work while the process exits.
Copier& TheCopier() {
  static Copier* copier = new Copier;
  return *copier;
}

// Copies the bytes of a handed-over copy, closes its files and marks it finished.
void Finish(HandedCopy copy) {
  Copier& c = TheCopier();
  bool ok = CopyHostBytes(copy.in, copy.out, copy.size);
  const int copyError = errno;
  if (close(copy.out) != 0) ok = false;
  close(copy.in);
  std::lock_guard<std::mutex> lock(c.mutex);
  if (!ok)
    c.failures.push_back("copying " + copy.from + " to " + copy.to + " failed on the host: " +
                         std::strerror(copyError ? copyError : EIO));
  c.sources.erase(c.sources.find(copy.from));
  c.targets.erase(c.targets.find(copy.to));
  c.unfinished.fetch_sub(1, std::memory_order_acq_rel);
  c.finished.notify_all();
}

// Whether a path of the set is `host` or lies below it.
bool AtOrBelow(const std::multiset<std::string>& paths, const std::string& host) {
  for (auto it = paths.lower_bound(host); it != paths.end(); ++it) {
    if (it->compare(0, host.size(), host) != 0) return false;
    if (it->size() == host.size() || (*it)[host.size()] == '/') return true;
  }
  return false;
}

// Waits while `busy` (asked with the copier's mutex held) holds, copying waiting copies meanwhile
// in the order they were handed over.
template <typename Busy>
void WaitWhile(Busy busy) {
  Copier& c = TheCopier();
  std::unique_lock<std::mutex> lock(c.mutex);
  while (busy()) {
    if (c.waiting.empty()) {
      c.finished.wait(lock);
      continue;
    }
    HandedCopy copy = std::move(c.waiting.front());
    c.waiting.pop_front();
    lock.unlock();
    Finish(std::move(copy));
    lock.lock();
  }
}

void WaitForAll() {
  Copier& c = TheCopier();
  if (c.unfinished.load(std::memory_order_acquire) == 0) return;
  WaitWhile([&] { return c.unfinished.load(std::memory_order_acquire) != 0; });
}

void Work() {
  Copier& c = TheCopier();
  for (;;) {
    std::unique_lock<std::mutex> lock(c.mutex);
    c.work.wait(lock, [&] { return !c.waiting.empty(); });
    HandedCopy copy = std::move(c.waiting.front());
    c.waiting.pop_front();
    lock.unlock();
    Finish(std::move(copy));
  }
}

}  // namespace

bool CopyHostBytes(int in, int out, off_t size) {
  // The kernel copies within the page cache; a pair of file systems it cannot copy between
  // falls back to reading and writing.
  bool inKernel = true;
  std::vector<char> buffer;
  for (off_t done = 0; done < size;) {
    ssize_t n = -1;
    if (inKernel) {
      n = copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(size - done), 0);
      if (n < 0 && done == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
        inKernel = false;
        continue;
      }
    } else {
      if (buffer.empty()) buffer.resize(kCopyBufferBytes);
      n = read(in, buffer.data(), buffer.size());
      for (ssize_t written = 0, w = 0; n > 0 && written < n; written += w) {
        w = write(out, buffer.data() + written, static_cast<size_t>(n - written));
        if (w < 0 && errno == EINTR) w = 0;
        else if (w <= 0) n = -1;
      }
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;  // a file that shrank meanwhile ends early
    done += n;
  }
  return true;
}

bool HandOverHostCopy(int in, int out, off_t size, const std::string& from, const std::string& to) {
  Copier& c = TheCopier();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (!c.enabled || c.waiting.size() >= kMaxWaitingCopies) return false;
  if (!c.started) {
    std::thread(Work).detach();
    // Registered after the machine's own clean-up, so it runs first: no copy outlives the run.
    std::atexit(WaitForAll);
    c.started = true;
  }
  c.sources.insert(from);
  c.targets.insert(to);
  c.unfinished.fetch_add(1, std::memory_order_acq_rel);
  c.waiting.push_back(HandedCopy{in, out, size, from, to});
  c.work.notify_one();
  return true;
}

void AwaitHostCopies(const std::string& host, bool change) {
  Copier& c = TheCopier();
  if (c.unfinished.load(std::memory_order_acquire) == 0) return;
  if (host.empty()) return WaitForAll();
  WaitWhile([&] { return AtOrBelow(c.targets, host) || (change && AtOrBelow(c.sources, host)); });
}

}  // namespace internal

std::vector<std::string> FinishHostCopies() {
  internal::WaitForAll();
  internal::Copier& c = internal::TheCopier();
  std::lock_guard<std::mutex> lock(c.mutex);
  std::vector<std::string> failures;
  failures.swap(c.failures);
  return failures;
}

}  // namespace sim
