#include "tool/ninja_file.h"

#include "el/appframe/app_frame.h"
#include "el/qstream/qo_file_stream.h"
#include "engine/process_flags.h"
#include "platform/ascii.h"
#include "platform/engine_path.h"
#include "platform/host_file.h"
#include "platform/module_path.h"
#include "tool/file_paths.h"

namespace kln {
namespace {

bool IsTextureList(const QueuedFile& file) { return AsciiEqualIgnoreCase(GetExtension(file.entry.source), ".lst"); }

bool IsConverted(const RunSettings& settings, const QueuedFile& file) {
  std::string_view extension = GetExtension(file.entry.source);
  return AsciiEqualIgnoreCase(extension, ".p3d") || AsciiEqualIgnoreCase(extension, ".wrp") ||
         (settings.convertAnimations && AsciiEqualIgnoreCase(extension, ".rtm"));
}

// A command-line word for the shell that ninja runs commands with.
std::string ShellWord(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Escapes for a Ninja variable value: '$' doubled, line ends cannot appear.
std::string NinjaValue(std::string_view text) {
  std::string escaped;
  for (char c : text) escaped += c == '$' ? std::string("$$") : std::string(1, c);
  return escaped;
}

// The start-up options of the run that `kiln convert` needs to convert the same way.
std::string ConvertOptions(const RunSettings& settings, const RString& source) {
  std::string options;
  auto add = [&](const std::string& option) { options += " " + ShellWord(option); };
  if (!settings.addonFolder.empty()) add("-addon=" + settings.addonFolder);
  add("-binpath=" + settings.binPath);
  add("-root=" + source);
  if (!settings.skeleton.empty()) add("-skeleton=" + settings.skeleton);
  add("-targetBonesInterval=" + std::to_string(settings.bonesInterval));
  if (settings.olderWorldFormat) add("-GX1");
  if (ShrinkModels()) add("-shrinkP3D");
  if (settings.silent) add("-silent");
  if (NoLogs()) add("-noLogs");
  if (settings.copyTextures) add("-textures=" + settings.texturesFolder);
  return options;
}

// The texture copy at the end: every conversion's used-texture list, and the texture
// lists of the source folders in walk order.
std::string TextureCopyEdge(const RunSettings& settings, const AutoArray<QueuedFile>& queue,
                            const std::vector<std::string>& usedLists, const std::string& stamp) {
  std::string options = " " + ShellWord("-textures=" + settings.texturesFolder);
  std::string listInputs;
  for (const QueuedFile& file : queue) {
    if (!IsTextureList(file) || !AsciiEqualIgnoreCase(file.entry.source, file.sourceFolder + "textures.lst")) continue;
    options += " " + ShellWord("-list=" + file.entry.source);
    listInputs += " " + EscapeNinjaPath(HostPathOf(file.entry.source));
  }
  std::string text =
      "rule copytextures\n"
      "  command = $kiln copytextures" + NinjaValue(options) + " -stamp=$out -usedFrom=$out.rsp\n"
      "  rspfile = $out.rsp\n"
      "  rspfile_content = $in_newline\n"
      "  description = Copy textures\n\n"
      "build " + EscapeNinjaPath(stamp) + ": copytextures";
  for (const std::string& list : usedLists) text += " " + EscapeNinjaPath(list);
  if (!listInputs.empty()) text += " |" + listInputs;
  return text + "\n";
}

}  // namespace

std::string EscapeNinjaPath(std::string_view path) {
  std::string escaped;
  for (char c : path) {
    if (c == '$' || c == ' ' || c == ':') escaped += '$';
    if (c == '\n') {
      escaped += "$\n";
      continue;
    }
    escaped += c;
  }
  return escaped;
}

std::string FormatNinjaFile(const RunSettings& settings, const AutoArray<QueuedFile>& queue, const RString& source,
                            const std::string& kiln) {
  std::string text =
      "# Conversions of " + NinjaValue(source) +
      ", written by kilnify -ninja=\n"
      "ninja_required_version = 1.3\n"
      "kiln = " + NinjaValue(ShellWord(kiln)) + "\n"
      "options =" + NinjaValue(ConvertOptions(settings, source)) + "\n\n"
      "rule convert\n"
      "  command = $kiln convert $options $in $out -depfile=$out.d $used\n"
      "  depfile = $out.d\n"
      "  deps = gcc\n"
      "  description = Convert $in\n\n";
  // With -textures=, each conversion lists its used textures beside the build file, and
  // one last edge copies them.
  const std::string stateFolder = ToHostPath(settings.ninjaFile) + ".textures/";
  std::vector<std::string> usedLists;
  for (const QueuedFile& file : queue) {
    if (!IsConverted(settings, file)) continue;
    const std::string output = HostPathForWrite(file.entry.destination);
    text += "build " + EscapeNinjaPath(output);
    if (settings.copyTextures) {
      usedLists.push_back(stateFolder + std::to_string(usedLists.size()) + ".lst");
      text += " | " + EscapeNinjaPath(usedLists.back());
    }
    text += ": convert " + EscapeNinjaPath(HostPathOf(file.entry.source)) + "\n";
    if (settings.copyTextures) text += "  used = -usedTextures=" + NinjaValue(ShellWord(usedLists.back())) + "\n";
  }
  if (settings.copyTextures) text += "\n" + TextureCopyEdge(settings, queue, usedLists, stateFolder + "copied.stamp");
  return text;
}

void WriteNinjaFile(const RunSettings& settings, const AutoArray<QueuedFile>& queue, const RString& source,
                    const RString& destination) {
  (void)destination;
  const std::string program = ToHostPath(ModulePath());
  const size_t slash = program.rfind('/');
  const std::string kiln = (slash == std::string::npos ? std::string() : program.substr(0, slash + 1)) + "kiln";
  const std::string text = FormatNinjaFile(settings, queue, source, kiln);
  QOFStream out;
  if (out.OpenAtomic(settings.ninjaFile)) {
    out.write(text.data(), text.size());
    if (out.Close()) {
      LogMessage("Build file %s written", settings.ninjaFile.c_str());
      return;
    }
  }
  ErrorMessage("Cannot write the build file %s", settings.ninjaFile.c_str());
}

}  // namespace kln
