#include "app/progress_line.h"

#include "platform/clock.h"

namespace tolvan {
namespace {

constexpr int64_t kRedrawMs = 200;

}  // namespace

void ProgressLine::start(const Driver& driver) {
  started_ = 0;
  baseSent_ = 0;
  for (int i = 0; i < driver.scales.count(); ++i) {
    const ScaleEntry& scale = *driver.scales.get(i);
    baseSent_ += scale.tally.sent.load();
    started_ += scale.status.load() == kStatusRunning ? 1 : 0;
  }
  total_ = started_ * driver.records.count();
}

std::string ProgressLine::text(const Driver& driver) const {
  int running = 0;
  int sent = -baseSent_;
  const ScaleEntry* slowest = nullptr;
  for (int i = 0; i < driver.scales.count(); ++i) {
    const ScaleEntry& scale = *driver.scales.get(i);
    sent += scale.tally.sent.load();
    if (scale.status.load() != kStatusRunning) continue;
    ++running;
    if (slowest == nullptr || scale.tally.sent.load() < slowest->tally.sent.load()) slowest = &scale;
  }
  char line[160];
  int n = std::snprintf(line, sizeof line, "%d/%d scales done, %d", started_ - running, started_, sent);
  if (total_ > 0 && n > 0) n += std::snprintf(line + n, sizeof line - static_cast<size_t>(n), "/%d", total_);
  if (n > 0) n += std::snprintf(line + n, sizeof line - static_cast<size_t>(n), " records sent");
  std::string out(line);
  if (slowest != nullptr) out += ", slowest: " + slowest->name;
  return out;
}

void ProgressLine::onWait(const Driver& driver, Driver::WaitStep step) {
  if (step == Driver::WaitStep::Start) {
    start(driver);
    return;
  }
  if (step == Driver::WaitStep::End) {
    if (drawn_) std::fputs("\r\033[K", out_);
    std::fflush(out_);
    drawn_ = false;
    return;
  }
  int64_t now = steadyMilliseconds();
  if (drawn_ && now - lastDraw_ < kRedrawMs) return;
  std::fprintf(out_, "\r%s\033[K", text(driver).c_str());
  std::fflush(out_);
  lastDraw_ = now;
  drawn_ = true;
}

}  // namespace tolvan
