// The definition of the guard's flag: compiled into the odbpost library only.
#include "api_guard.h"

#include <atomic>

namespace {
std::atomic<bool> g_apiInUse{false};
}  // namespace

int Odbpost_TakeApi(void) { return g_apiInUse.exchange(true, std::memory_order_acquire) ? 0 : 1; }

void Odbpost_GiveApiBack(void) { g_apiInUse.store(false, std::memory_order_release); }
