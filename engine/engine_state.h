#pragma once
// Process-wide state of the engine that start-up sets and the converters read.
#include <functional>
#include <map>
#include <memory>
#include <string>

class EngineDummy;
class World;

struct EngineState {
  bool toolMode = false;          // the engine runs inside the converter
  bool enableRendering = true;    // cleared for the converter: no frames are drawn
  bool noSplashScreen = false;    // set for the converter
  bool mainConfigPending = true;  // the main configuration is loaded at most once
  std::string language;           // set to "English" once the main configuration is in
  std::unique_ptr<EngineDummy> engine;
  std::unique_ptr<World> world;
};

EngineState& Engine();

// Callbacks run after the main configuration was loaded, lowest priority value first.
using UpdateCallback = std::function<void()>;
void RegisterUpdateCallback(int priority, UpdateCallback callback);
void RunUpdateCallbacks();
void ClearUpdateCallbacks();
