// The busy flag's scope: no way out of a command leaves the window timer idle for good.
#include <gtest/gtest.h>

#include <stdexcept>

#include "foundation/DeviceTable.h"
#include "foundation/SharedState.h"

namespace qv::test {
namespace {

TEST(CommandBusyScope, ACommandClearsTheFlagOnEveryWayOutAWindowOperationRestoresIt) {
  SharedState state;
  {
    const CommandBusyScope outer(state);
    { const CommandBusyScope inner(state); }
    EXPECT_EQ(state.CommandBusy, 0);  // between a program's lines the timer may work
  }
  EXPECT_THROW(
      {
        const CommandBusyScope busy(state);
        EXPECT_EQ(state.CommandBusy, 1);
        throw std::runtime_error("a handler gave up");
      },
      std::runtime_error);
  EXPECT_EQ(state.CommandBusy, 0);
  // A window operation restores what it found.
  {
    const CommandBusyScope operation(state, CommandBusyScope::OnEnd::Restore);
    { const CommandBusyScope nested(state, CommandBusyScope::OnEnd::Restore); }
    EXPECT_EQ(state.CommandBusy, 1);
  }
  EXPECT_EQ(state.CommandBusy, 0);
}

// No two rows share a word, key, file or place in the Stop.
TEST(DeviceTable, EveryRowNamesItsOwnWordKeyAndFile) {
  for (const DeviceRow& row : kDeviceTable) {
    for (const DeviceRow& other : kDeviceTable) {
      if (other.id == row.id) continue;
      EXPECT_STRNE(other.word, row.word);
      EXPECT_STRNE(other.installedKey, row.installedKey);
      EXPECT_STRNE(other.file, row.file);
      if (row.stopRank >= 0) {
        EXPECT_NE(other.stopRank, row.stopRank) << row.word;
      }
    }
  }
}

}  // namespace
}  // namespace qv::test
