#include "tool/usage.h"

#include "el/appframe/app_frame.h"
#include "tool/tool_version.h"

namespace kln {

namespace {

void PrintOptions() {
  LogMessage("Usage:\nkilnify [options] source destination [wildcard]\n\nOptions:");
  LogMessage(
      "\t-textures=<folder> copy all used textures to folder\n"
      "\t-exclude=<file> file contains list of files to exclude\n"
      "\t-norecurse do not traverse any subdirectories\n"
      "\t-addon=<addon folder> config is loaded from this folder");
  LogMessage(
      "\t-binpath=<folder> placement of bin directory with the main config\n"
      "\t-GX1 output in format for GX1 (working just on *.wrp)\n"
      "\t-always kilnify even if not necessary based on timestamps\n"
      "\t-silent never display any message box, never wait for any user input\n"
      "\t-noLogs prevents Kilnify to output logs\n"
      "\t-maxProcesses=<n> allow spawning max. n child processes for conversions");
  LogMessage(
      "\t-targetBonesInterval=<n> how many bones are allowed in one section when kilnifying p3d file (default: 55)\n"
      "\t-skeleton=<name> which skeleton should be used for rtm kilnification (default: KTR2_ManSkeleton)\n"
      "\t-animations also kilnify *.rtm animations, bound to the -skeleton= skeleton\n"
      "\t-texheader only creates texture headers from source dir, file is placed in destination dir\n"
      "\t-shrinkP3D reduce models LODs. Affects only *.p3d files");
}

void PrintClosing() { LogMessage("\n\nKilnify asset compiler, written by the Kilnify developers, 2026"); }

}  // namespace

void PrintUsage() {
  PrintOptions();
  PrintClosing();
}

void PrintHelp() {
  PrintOptions();
  LogMessage(
      "\t-report=<file> write a JSON report of the run to file (one record per model, world, animation and texture list)\n"
      "\t-strict exit with code 3 when any file failed\n"
      "\t--help print this text and exit\n"
      "\t--version print the version and exit");
  LogMessage(
      "\nExit codes:\n"
      "\t0 the run completed (single files may have failed; see -strict)\n"
      "\t1 a configuration below the addon or source folder did not parse\n"
      "\t2 the command line did not name a source and a destination\n"
      "\t3 with -strict: at least one file failed\n"
      "\t4 the program runs under another name and -kilnify is not given\n"
      "\t130, 143 SIGINT or SIGTERM stopped the run after the file at hand (128 + the signal)");
  PrintClosing();
}

void PrintVersion() {
  LogMessage("kilnify (Kilnify) rev.%d", kRevision);
  LogMessage("Written by the Kilnify developers, 2026.");
}

}  // namespace kln
