#include "engine/engine_state.h"

#include "engine/engine_dummy.h"
#include "engine/world.h"

EngineState& Engine() {
  static EngineState state;
  return state;
}

namespace {
std::multimap<int, UpdateCallback>& Callbacks() {
  static std::multimap<int, UpdateCallback> callbacks;
  return callbacks;
}
}  // namespace

void RegisterUpdateCallback(int priority, UpdateCallback callback) {
  Callbacks().emplace(priority, std::move(callback));
}

void RunUpdateCallbacks() {
  for (auto& [priority, callback] : Callbacks()) callback();
}

void ClearUpdateCallbacks() { Callbacks().clear(); }
