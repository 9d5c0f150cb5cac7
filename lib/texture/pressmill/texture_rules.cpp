#include "lib/texture/pressmill/texture_rules.h"

#include <sstream>

#include "platform/ascii.h"
#include "platform/file_search.h"

const char kDefaultTextureRules[] =
    "; pattern  format  options     what the suffix names\n"
    "*_ca       DXT5                ; colour with alpha\n"
    "*_co       auto                ; colour (DXT5 when it has alpha)\n"
    "*_nohq     DXT5    linear      ; normal map, high quality\n"
    "*_no       DXT5    linear      ; normal map\n"
    "*_smdi     DXT5    linear      ; specular and gloss map\n"
    "*_as       DXT1    linear      ; ambient shadow\n"
    "*_dt       DXT5    linear      ; detail map\n"
    "*_mc       DXT5                ; macro colour\n"
    "*_mask     8888    linear      ; mask: kept uncompressed\n"
    "*          auto                ; anything else\n";

namespace {

struct FormatName {
  const char* name;
  int format;
};

constexpr FormatName kFormatNames[] = {
    {"auto", kAutoTextureFormat}, {"DXT1", PacDXT1},        {"DXT5", PacDXT5}, {"8888", PacARGB8888},
    {"4444", PacARGB4444},        {"1555", PacARGB1555},    {"88", PacAI88},   {"AI88", PacAI88},
};

bool ParseOption(std::string_view word, TextureRule& rule) {
  if (AsciiEqualIgnoreCase(word, "linear")) {
    rule.linear = true;
  } else if (AsciiEqualIgnoreCase(word, "srgb")) {
    rule.linear = false;
  } else if (AsciiEqualIgnoreCase(word, "quality=fast")) {
    rule.quality = DxtQuality::Fast;
  } else if (AsciiEqualIgnoreCase(word, "quality=normal")) {
    rule.quality = DxtQuality::Normal;
  } else if (AsciiEqualIgnoreCase(word, "quality=best")) {
    rule.quality = DxtQuality::Best;
  } else {
    return false;
  }
  return true;
}

// The file name without folder and extension.
std::string_view NameStem(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  const size_t dot = path.find_last_of('.');
  return dot == std::string_view::npos ? path : path.substr(0, dot);
}

}  // namespace

bool ParseTextureRules(std::string_view text, const std::string& source, std::vector<TextureRule>& rules,
                       std::string& error) {
  rules.clear();
  std::istringstream lines{std::string(text)};
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const size_t comment = line.find_first_of(";#");
    if (comment != std::string::npos) line.erase(comment);
    std::istringstream words(line);
    std::string pattern, format, option;
    if (!(words >> pattern)) continue;
    const std::string where = source + " line " + std::to_string(number) + ": ";
    if (!(words >> format)) {
      error = where + "the pattern " + pattern + " has no format";
      return false;
    }
    TextureRule rule;
    rule.pattern = pattern;
    bool known = false;
    for (const FormatName& entry : kFormatNames) {
      if (AsciiEqualIgnoreCase(format, entry.name)) {
        rule.format = entry.format;
        known = true;
      }
    }
    if (!known) {
      error = where + "unknown format " + format + " (DXT1, DXT5, 8888, 4444, 1555, 88 or auto)";
      return false;
    }
    while (words >> option) {
      if (!ParseOption(option, rule)) {
        error = where + "unknown option " + option + " (linear, srgb, quality=fast|normal|best)";
        return false;
      }
    }
    rules.push_back(std::move(rule));
  }
  return true;
}

const std::vector<TextureRule>& DefaultTextureRules() {
  static const std::vector<TextureRule> rules = [] {
    std::vector<TextureRule> parsed;
    std::string ignored;
    ParseTextureRules(kDefaultTextureRules, "default rules", parsed, ignored);
    return parsed;
  }();
  return rules;
}

TextureRule ChooseTextureRule(const std::vector<TextureRule>& rules, std::string_view path) {
  const std::string_view stem = NameStem(path);
  for (const TextureRule& rule : rules)
    if (WildcardMatch(rule.pattern, stem)) return rule;
  TextureRule fallback;
  fallback.pattern = "*";
  return fallback;
}

int ResolveTextureFormat(const TextureRule& rule, bool hasAlpha) {
  if (rule.format != kAutoTextureFormat) return rule.format;
  return hasAlpha ? PacDXT5 : PacDXT1;
}
