#include "host/thread_priority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/sysinfo.h>

#include <algorithm>
#include <cstring>

namespace kalo::host {

void RunThisThreadNormally() {
  const sched_param normal{};
  pthread_setschedparam(pthread_self(), SCHED_OTHER, &normal);
  cpu_set_t every;
  CPU_ZERO(&every);
  for (int cpu = 0; cpu < std::min(get_nprocs_conf(), CPU_SETSIZE); ++cpu) CPU_SET(cpu, &every);
  pthread_setaffinity_np(pthread_self(), sizeof every, &every);
}

PosixThreadPriority::PosixThreadPriority() { AddThread(pthread_self(), kMainThreadRealTimePriority); }

PosixThreadPriority::~PosixThreadPriority() {
  if (realTime_)
    for (const Entry& entry : threads_) Restore(entry);
}

void PosixThreadPriority::AddThread(std::thread::native_handle_type thread, int realTimePriority) {
  Entry entry{thread, realTimePriority, SCHED_OTHER, 0, false, {}};
  sched_param param{};
  int policy = SCHED_OTHER;
  if (pthread_getschedparam(thread, &policy, &param) == 0) {
    entry.FoundPolicy = policy;
    entry.FoundPriority = param.sched_priority;
  }
  entry.HasFoundCpus = pthread_getaffinity_np(thread, sizeof entry.FoundCpus, &entry.FoundCpus) == 0;
  threads_.push_back(entry);
  if (realTime_ && Raise(entry)) ShareOneCpu();
}

void PosixThreadPriority::RemoveThread(std::thread::native_handle_type thread) {
  auto it = std::find_if(threads_.begin(), threads_.end(),
                         [&](const Entry& entry) { return pthread_equal(entry.Thread, thread) != 0; });
  if (it == threads_.end()) return;
  if (realTime_) Restore(*it);
  threads_.erase(it);
}

uint32_t PosixThreadPriority::GetPriorityClass() const {
  if (threads_.empty()) return kNormalPriorityClass;
  sched_param param{};
  int policy = SCHED_OTHER;
  if (pthread_getschedparam(threads_.front().Thread, &policy, &param) != 0) return kNormalPriorityClass;
  return policy == SCHED_FIFO || policy == SCHED_RR ? kRealTimePriorityClass : kNormalPriorityClass;
}

bool PosixThreadPriority::Raise(const Entry& entry) {
  sched_param param{};
  param.sched_priority = entry.RealTimePriority;
  const int error = pthread_setschedparam(entry.Thread, SCHED_FIFO, &param);
  if (error != 0) {
    lastError_ = std::strerror(error);
    return false;
  }
  return true;
}

void PosixThreadPriority::Restore(const Entry& entry) {
  sched_param param{};
  param.sched_priority = entry.FoundPriority;
  pthread_setschedparam(entry.Thread, entry.FoundPolicy, &param);
  if (entry.HasFoundCpus) pthread_setaffinity_np(entry.Thread, sizeof entry.FoundCpus, &entry.FoundCpus);
}

void PosixThreadPriority::ShareOneCpu() {
  // Called on the main thread: its present CPU becomes the one CPU of every registered thread.
  // Only a help to latency; where the system will not move a thread, it stays where it is.
  const int cpu = sched_getcpu();
  if (cpu < 0 || cpu >= CPU_SETSIZE) return;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  for (const Entry& entry : threads_) pthread_setaffinity_np(entry.Thread, sizeof one, &one);
}

bool PosixThreadPriority::SetPriorityClass(uint32_t priorityClass) {
  if (priorityClass != kRealTimePriorityClass) {
    for (const Entry& entry : threads_) Restore(entry);
    realTime_ = false;
    lastError_.clear();
    return true;
  }
  lastError_.clear();
  for (size_t i = 0; i < threads_.size(); ++i) {
    if (!Raise(threads_[i])) {
      // All or nothing: a main thread above a normal timer thread would only make things worse.
      for (size_t j = 0; j < i; ++j) Restore(threads_[j]);
      realTime_ = false;
      return false;
    }
  }
  realTime_ = true;
  ShareOneCpu();
  return true;
}

}  // namespace kalo::host
