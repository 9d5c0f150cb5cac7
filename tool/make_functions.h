#pragma once
// Starting the external converter program that turns images into textures and copies
// textures into the textures folder.
#include <sys/types.h>

#include <chrono>
#include <mutex>

namespace kln {

class FileMakeFunctions {
 public:
  virtual ~FileMakeFunctions() = default;
  // Makes `target` from `source` with the external tool. 0 on success, negative on
  // failure. With `process`, the child is left running and handed out.
  virtual int Start(const char* source, const char* target, const char* toolName, pid_t* process = nullptr);
};

class PressmillFunctions : public FileMakeFunctions {};

// The converter's own make functions: run the external program, with a banner line
// before the first start (and again after 20 idle seconds) and a closing line after
// every start, written straight to standard output.
class RidgeviewPressmillFunctions : public PressmillFunctions {
 public:
  int Start(const char* source, const char* target, const char* toolName, pid_t* process = nullptr) override;
  void SetQuiet(bool quiet) { quiet_ = quiet; }

  static constexpr std::chrono::seconds kIdleTime{20};

 private:
  void WriteConsoleLine(const char* line);

  std::mutex mutex_;
  bool quiet_ = false;
  bool consoleOpen_ = false;
  std::chrono::steady_clock::time_point lastStart_;
};

// The process-wide make functions (the base class until the tool installs its own).
FileMakeFunctions& MakeFunctions();
void SetMakeFunctions(FileMakeFunctions* functions);
// True when the installed make functions are the converter's own.
bool IsToolMakeFunctions();

}  // namespace kln
