#pragma once
// The engine's texture bank: every texture that models and materials name, shared by
// name. The converter never empties it, so at the end of a run it lists every texture
// any converted file touched.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// A texture known by its file name. The converter needs no texture data.
class Texture {
 public:
  explicit Texture(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

// The form in which texture names are kept: ASCII lower case.
std::string NormalizeTextureName(std::string_view name);

class TextureBank {
 public:
  // The texture `name` (normalised), created and registered on first use; null for an
  // empty name.
  std::shared_ptr<Texture> Load(std::string_view name);
  // The texture `name` when the bank holds it, else null.
  std::shared_ptr<Texture> Find(std::string_view name) const;
  size_t Size() const { return list_.size(); }
  // The names of all textures, in the order they were first loaded.
  std::vector<std::string> Names() const;
  // Forgets every texture (tests only; the converter keeps them for the whole run).
  void Clear();

  // While `log` is set, the normalised name of every texture asked for through Load() is
  // added to it, whether the bank held it already or not: the textures one piece of work
  // used. Null stops the logging.
  std::set<std::string>* SetUseLog(std::set<std::string>* log) {
    std::set<std::string>* previous = useLog_;
    useLog_ = log;
    return previous;
  }

 private:
  std::vector<std::shared_ptr<Texture>> list_;
  std::map<std::string, size_t, std::less<>> index_;  // normalised name -> list_ slot
  std::set<std::string>* useLog_ = nullptr;
};

// The process-wide bank.
TextureBank& Textures();
