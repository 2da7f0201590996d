// RowRelay: hands batches of work from one thread to another in the order
// they were filled. A fixed number of batches go round: the giving side
// fills one while the taking side works through those before, and a side
// that gets ahead waits, so the memory held stays that of the batches.
// Sixteen of them let the giving side go on while the taking side stalls
// for a moment (fresh memory from the system can take milliseconds).
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace tolvan {

template <class Batch>
class RowRelay {
 public:
  static constexpr int kBatches = 16;

  RowRelay() {
    for (int i = 0; i < kBatches; ++i) empty_.push_back(std::make_unique<Batch>());
  }

  // Giving side: an empty batch to fill, once one is free.
  std::unique_ptr<Batch> emptyBatch() { return wait(empty_); }
  // Giving side: a filled batch, to be taken after those given before.
  void give(std::unique_ptr<Batch> batch) { put(full_, std::move(batch)); }
  // Giving side: nothing more comes.
  void close() {
    std::lock_guard guard(lock_);
    closed_ = true;
    changed_.notify_all();
  }

  // Taking side: the next filled batch; nullptr once the giving side has
  // closed and every batch was taken.
  std::unique_ptr<Batch> take() { return wait(full_); }
  // Taking side: a batch worked through, emptied, to be filled again.
  void giveBack(std::unique_ptr<Batch> batch) { put(empty_, std::move(batch)); }

 private:
  std::unique_ptr<Batch> wait(std::deque<std::unique_ptr<Batch>>& from) {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return !from.empty() || (closed_ && &from == &full_); });
    if (from.empty()) return nullptr;
    std::unique_ptr<Batch> batch = std::move(from.front());
    from.pop_front();
    return batch;
  }
  void put(std::deque<std::unique_ptr<Batch>>& to, std::unique_ptr<Batch> batch) {
    std::lock_guard guard(lock_);
    to.push_back(std::move(batch));
    changed_.notify_all();
  }

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Batch>> empty_;
  std::deque<std::unique_ptr<Batch>> full_;
  bool closed_ = false;
};

}  // namespace tolvan
