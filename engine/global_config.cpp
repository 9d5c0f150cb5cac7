#include "engine/global_config.h"

#include "el/paramfile/param_file.h"

ParamFile& GlobalConfig() {
  static ParamFile config;
  return config;
}
