#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// The four container files a pane can show, in the order of the pane's kind list.
enum class ContainerKind { kMems = 0, kBkram = 1, kBup = 2, kSave = 3 };

inline constexpr std::array<ContainerKind, 4> kAllContainerKinds = {ContainerKind::kMems, ContainerKind::kBkram,
                                                                    ContainerKind::kBup, ContainerKind::kSave};

// The container's file name, as it lies beside the program or in OTHER.
constexpr std::string_view ContainerFileName(ContainerKind kind) {
  switch (kind) {
    case ContainerKind::kMems: return "SS_MEMS.BIN";
    case ContainerKind::kBkram: return "BKRAMSV.BIN";
    case ContainerKind::kBup: return "SS_BUP.BIN";
    case ContainerKind::kSave: return "SS_SAVE.BIN";
  }
  return "";
}

// The short name the command line uses for a kind.
constexpr std::string_view ContainerKindName(ContainerKind kind) {
  switch (kind) {
    case ContainerKind::kMems: return "mems";
    case ContainerKind::kBkram: return "bkram";
    case ContainerKind::kBup: return "bup";
    case ContainerKind::kSave: return "save";
  }
  return "";
}

std::optional<ContainerKind> ContainerKindFromName(std::string_view name);

// The kind a file name stands for, in any letter case; nothing for other names.
std::optional<ContainerKind> ContainerKindFromFileName(std::string_view fileName);

}  // namespace quillmere
