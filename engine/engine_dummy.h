#pragma once
// The engine without a renderer: what the converters need of an engine object.

class EngineDummy {
 public:
  // Prepares the engine; nothing is drawn, so there is no device to open.
  void Init() { initialized_ = true; }
  bool Initialized() const { return initialized_; }

 private:
  bool initialized_ = false;
};
