#include "el/preproc/include_path.h"

#include "platform/engine_path.h"

RString FolderOf(std::string_view path) {
  size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) slash = path.rfind('/');
  return slash == std::string_view::npos ? RString() : RString(path.substr(0, slash + 1));
}

RString IncludePath(std::string_view includingFile, std::string_view name) {
  RString engineName = ToEnginePath(name);
  if (!engineName.empty() && engineName[0] == '\\') return NormalizeEnginePath(engineName);
  return NormalizeEnginePath(FolderOf(includingFile) + engineName);
}

RString NormalizeEnginePath(std::string_view path) {
  AutoArray<std::string_view> steps;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find('\\', pos);
    if (end == std::string_view::npos) end = path.size();
    std::string_view step = path.substr(pos, end - pos);
    pos = end + 1;
    if (step.empty() || step == ".") continue;
    if (step == ".." && !steps.empty() && steps.back() != "..") {
      steps.pop_back();
      continue;
    }
    steps.push_back(step);
  }
  RString result = !path.empty() && path[0] == '\\' ? "\\" : "";
  for (size_t i = 0; i < steps.size(); ++i) {
    if (i > 0) result += '\\';
    result += steps[i];
  }
  return result;
}
