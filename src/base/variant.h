#pragma once

#include <string>
#include <string_view>

namespace vrkt {

enum class Family { VRKT, DVG };

// Which unit the program serves, decided from the program's own file name.
struct Variant {
  Family ProductVariant = Family::VRKT;
  bool Is4G = false;
  std::string ProductName = "GSM Vornacle";
  // Whether the name named a family at all; a name that names neither leaves the variant-specific
  // groups in their layout state (all shown).
  bool named = false;

  bool IsVrkt() const { return ProductVariant == Family::VRKT; }
  bool IsDvg() const { return ProductVariant == Family::DVG; }
};

// Case-sensitive substring tests on the file name (without its folder): "VRKT" first, then "DVG";
// "4G" anywhere marks a 4G module.
Variant VariantFromFileName(std::string_view file_name);

// The file name part of a path, for '/' and '\\' separators alike.
std::string FileNameOf(std::string_view path);

}  // namespace vrkt
