// Small types shared across the engine's public interface.
#pragma once

#include <functional>
#include <string>

namespace xbase {

// Receives whole percentages 0..100 during pack, zap and index builds.
using ProgressFn = std::function<void(int percent)>;

// One tag of a compound index as the caller defines it.
struct TagDefinition {
  std::string name;           // up to 10 characters, stored upper case
  std::string key;            // key expression, e.g. "DATE+TIME"
  std::string for_condition;  // FOR expression, "" for none
};

}  // namespace xbase
