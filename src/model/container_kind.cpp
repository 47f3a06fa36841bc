#include "model/container_kind.h"

#include <algorithm>
#include <cctype>

namespace quillmere {

std::optional<ContainerKind> ContainerKindFromName(std::string_view name) {
  for (const ContainerKind kind : kAllContainerKinds) {
    if (ContainerKindName(kind) == name) return kind;
  }
  return std::nullopt;
}

std::optional<ContainerKind> ContainerKindFromFileName(std::string_view fileName) {
  std::string upper(fileName);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  for (const ContainerKind kind : kAllContainerKinds) {
    if (ContainerFileName(kind) == upper) return kind;
  }
  return std::nullopt;
}

}  // namespace quillmere
