#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "operations/file_writes.h"
#include "operations/save_steps.h"
#include "operations/workbench.h"

namespace quillmere {

// The save a pane shows in row `row`, gathered from its container.
inline GatheredSave GatherSave(const Pane& pane, std::size_t row) { return GatherSave(pane, pane.RecordOfRow(row)); }

namespace testing {

// A run of imports into pane `number` as a transfer or the command line
// makes it (ImportFiles), written once and the pane shown again: each
// save's outcome, and what the run said, in the window's words.
struct ImportRun {
  std::vector<ImportOutcome> outcomes;
  std::vector<std::string> said;
  bool written = false;
  TransferReport report;
};

inline ImportRun ImportAsARun(Workbench& bench, int number, const std::vector<std::filesystem::path>& files,
                              SameName sameName = SameName::kSkip) {
  ImportRun run;
  ImportPolicy policy;
  policy.sameName = sameName;
  policy.listNumber = number;
  run.report = ImportFiles(bench.pane(number), files, policy, nullptr);
  for (const ImportResult& result : run.report.imports) run.outcomes.push_back(result.outcome);
  for (const Message& message : RunSaid(run.report)) run.said.push_back(catalog::Render(message));
  if (std::any_of(run.report.imports.begin(), run.report.imports.end(), [](const ImportResult& r) { return r.Placed(); })) {
    const ContainerWrite write = WriteContainer(bench.pane(number), WriteOperation::kImport);
    run.written = write.written;
    if (write.said) run.said.push_back(catalog::Render(*write.said));
  }
  ReloadPane(bench, number, false);
  return run;
}

}  // namespace testing
}  // namespace quillmere
