#pragma once
// The texture-headers mode run with the settings of the command line: exclusion patterns,
// no recursion and the textures folder.
#include <string_view>

#include "lib/texture/texture_headers_mode.h"
#include "tool/match_pattern.h"
#include "tool/run_settings.h"

namespace kln {

inline TextureHeadersSettings TextureHeadersSettingsOf(const RunSettings& settings) {
  return {[&settings](std::string_view name, std::string_view path) { return IsExcluded(settings, name, path); },
          settings.noRecursion, settings.copyTextures, settings.texturesFolder};
}

inline int RunTextureHeaders(const RunSettings& settings, const RString& source, const RString& destination) {
  return RunTextureHeaders(TextureHeadersSettingsOf(settings), source, destination);
}

}  // namespace kln
