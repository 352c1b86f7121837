#include "base/variant.h"

namespace vrkt {

std::string FileNameOf(std::string_view path) {
  size_t p = path.find_last_of("/\\");
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

Variant VariantFromFileName(std::string_view file_name) {
  Variant v;
  v.Is4G = file_name.find("4G") != std::string_view::npos;
  if (file_name.find("VRKT") != std::string_view::npos) {
    v.ProductVariant = Family::VRKT;
    v.named = true;
  } else if (file_name.find("DVG") != std::string_view::npos) {
    v.ProductVariant = Family::DVG;
    v.ProductName = "Dorvik GSM 1C";
    v.named = true;
  }
  return v;
}

}  // namespace vrkt
