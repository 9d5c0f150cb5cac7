#include "tool/make_functions.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "el/appframe/app_frame.h"
#include "tool/external_tool.h"

namespace kln {
namespace {

FileMakeFunctions gBaseFunctions;
FileMakeFunctions* gMakeFunctions = &gBaseFunctions;

}  // namespace

int FileMakeFunctions::Start(const char* source, const char*, const char*, pid_t*) {
  WarningMessage("Make not available (requested by '%s')", source);
  return -1;
}

void RidgeviewPressmillFunctions::WriteConsoleLine(const char* line) {
  // Straight to the output handle: these lines are printed whatever -noLogs says.
  ssize_t ignored = ::write(STDOUT_FILENO, line, std::strlen(line));
  (void)ignored;
}

int RidgeviewPressmillFunctions::Start(const char* source, const char* target, const char* toolName,
                                       pid_t* process) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto now = std::chrono::steady_clock::now();
  if (!quiet_) {
    // The console closes after a period without starts; the next start opens it again.
    if (!consoleOpen_ || now - lastStart_ >= kIdleTime) {
      // Children run beside the tool: an interrupt must not stop the tool half way.
      ::signal(SIGINT, SIG_IGN);
      WriteConsoleLine("Converting resources, please wait -----------\r\n");
      consoleOpen_ = true;
    }
  }
  lastStart_ = now;
  int result = RunExternalTool(source, target, toolName, process);
  if (consoleOpen_) WriteConsoleLine("---------------------------------------------\r\n");
  return result;
}

FileMakeFunctions& MakeFunctions() { return *gMakeFunctions; }

void SetMakeFunctions(FileMakeFunctions* functions) { gMakeFunctions = functions ? functions : &gBaseFunctions; }

bool IsToolMakeFunctions() { return dynamic_cast<RidgeviewPressmillFunctions*>(gMakeFunctions) != nullptr; }

}  // namespace kln
