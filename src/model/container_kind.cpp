#include "model/container_kind.h"

#include "platform/ascii.h"

namespace quillmere {

std::optional<ContainerKind> ContainerKindFromName(std::string_view name) {
  for (const ContainerKind kind : kAllContainerKinds) {
    if (ContainerKindName(kind) == name) return kind;
  }
  return std::nullopt;
}

std::optional<ContainerKind> ContainerKindFromFileName(std::string_view fileName) {
  const std::string upper = platform::AsciiUpper(fileName);
  for (const ContainerKind kind : kAllContainerKinds) {
    if (ContainerFileName(kind) == upper) return kind;
  }
  return std::nullopt;
}

}  // namespace quillmere
