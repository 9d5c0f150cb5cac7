#pragma once
// The world: holds the landscape that a world conversion fills.
class EngineDummy;
class Landscape;

class World {
 public:
  World(EngineDummy* engine, Landscape* landscape) : engine_(engine), landscape_(landscape) {}
  // Prepares the world for the converter (no simulation runs).
  void Init(bool) { initialized_ = true; }
  // Takes up another landscape (the world step sets the one it converts).
  void SwitchLandscape(Landscape* landscape) { landscape_ = landscape; }
  Landscape* GetLandscape() const { return landscape_; }
  EngineDummy* GetEngine() const { return engine_; }
  bool Initialized() const { return initialized_; }

 private:
  EngineDummy* engine_;
  Landscape* landscape_;
  bool initialized_ = false;
};
