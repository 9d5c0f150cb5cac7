#pragma once
// The rule table that chooses how an image becomes a texture: its pixel format, how its
// mipmaps are filtered and how hard the block compressor works.
//
// One rule a line: `pattern format [options]`. The pattern is matched against the file
// name without folder and extension, ignoring case, with '*' and '?' as wildcards; the
// first matching line wins, and a name no line matches is converted as `*  auto`.
// Formats: DXT1, DXT5, 8888, 4444, 1555, 88 (also AI88), and auto (DXT1 when every texel
// is opaque, else DXT5). Options: linear (mipmaps filtered on the stored values, for
// normal and data maps) or srgb (the default: filtered in linear light with alpha-weighted
// colour); quality=fast, quality=normal (the default) or quality=best (the block
// compressor's search). Blank lines and lines starting with ';' or '#' are skipped.
#include <string>
#include <string_view>
#include <vector>

#include "lib/texture/pixel_codec.h"

// The format value that means "by alpha".
inline constexpr int kAutoTextureFormat = -1;

struct TextureRule {
  std::string pattern;
  int format = kAutoTextureFormat;  // PacFormat or kAutoTextureFormat
  bool linear = false;              // mipmaps filtered without gamma
  DxtQuality quality = DxtQuality::Normal;
};

// The table used without a rules file, in the syntax above.
extern const char kDefaultTextureRules[];

// Parses a rules text; `source` names it in messages. False with `error` set ("FILE line
// N: ...") at the first bad line.
bool ParseTextureRules(std::string_view text, const std::string& source, std::vector<TextureRule>& rules,
                       std::string& error);

// The default table, parsed.
const std::vector<TextureRule>& DefaultTextureRules();

// The rule for the image at `path` (engine or host path).
TextureRule ChooseTextureRule(const std::vector<TextureRule>& rules, std::string_view path);

// The format a rule gives an image: its own, or for auto DXT1 or DXT5 by `hasAlpha`.
int ResolveTextureFormat(const TextureRule& rule, bool hasAlpha);
