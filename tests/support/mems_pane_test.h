#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "operations/save_transfer.h"
#include "operations/workbench.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere::testing {

// Pane 1 of a workbench in a fresh folder, on an SS_MEMS.BIN the test writes.
class MemsPaneTest : public ::testing::Test {
 protected:
  void Load(const ByteBuffer& image) {
    WriteFile(dir / "SS_MEMS.BIN", image);
    ReloadPane(bench, 1);
  }
  ByteBuffer File() { return ReadFile(dir / "SS_MEMS.BIN"); }
  // Every listed save of pane 1 as its single save, in row order.
  std::vector<ByteBuffer> Singles() {
    std::vector<ByteBuffer> singles;
    for (std::size_t row = 0; row < bench.pane(1).rows.size(); ++row) {
      singles.push_back(SingleSaveOf(quillmere::GatherSave(bench.pane(1), row)));
    }
    return singles;
  }

  TempDir dir;
  ScriptedHost host;
  Workbench bench{dir.path(), host};
};

}  // namespace quillmere::testing
