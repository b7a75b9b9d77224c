// Automation objects: one per client connection, the serial line closed with the last one when
// no window is loaded, and the flag that every creation sets and every release clears.
#include "commands/Automation.h"

#include <gtest/gtest.h>

#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

class AutomationObjects : public ::testing::Test {
 protected:
  TestSystem t;
  bool commReady = true;
  bool windowLoaded = false;
  int shutdowns = 0;
  Automation automation{
      t.system.state, t.system.dispatcher,
      Automation::Hooks{[this] { return commReady; }, [this] { return windowLoaded; },
                        [this] {
                          ++shutdowns;
                          commReady = false;
                        }}};
};

TEST_F(AutomationObjects, ExecReturnsTheJoinedRepliesAndCreatesTheCallersObject) {
  EXPECT_EQ(automation.Exec(":1.5", "Ver"), "4.0 ; ");
  EXPECT_TRUE(automation.HasObject(":1.5"));
  EXPECT_EQ(t.system.state.ClientAlive, 1);
  EXPECT_EQ(automation.ObjectCount(), 1u);
  automation.ReleaseObject(":1.5");
  automation.Exec(":1.5", "Ver");  // a call after a release creates a new object
  EXPECT_EQ(t.system.state.ClientAlive, 1);
  EXPECT_EQ(automation.ObjectCount(), 1u);
}

TEST_F(AutomationObjects, TheLastReleaseClosesTheLineWhenNoWindowIsLoaded) {
  automation.Exec(":1.5", "Ver");
  automation.Exec(":1.6", "Ver");
  automation.ReleaseObject(":1.5");
  EXPECT_EQ(t.system.state.ClientAlive, 0);  // a flag, not a count
  EXPECT_EQ(shutdowns, 0);                   // the other client keeps its controllers
  EXPECT_FALSE(automation.MayEnd());
  automation.ReleaseObject(":1.6");
  EXPECT_EQ(shutdowns, 1);
  EXPECT_TRUE(automation.MayEnd());
  automation.ReleaseObject(":1.6");  // a second release changes nothing
  EXPECT_EQ(shutdowns, 1);
}

// "Hold" stands for a motion wait: it lets events run, and one of them is the client leaving.
TEST_F(AutomationObjects, AClientLeavingDuringItsCommandIsReleasedWhenTheCommandReturns) {
  std::vector<CommandEntry> table = t.system.dispatcher.Table();
  table.push_back({"Hold", [this](std::string) {
                     automation.ReleaseObject(":1.5");
                     EXPECT_EQ(shutdowns, 0);  // the line stays open under the wait
                     EXPECT_FALSE(automation.MayEnd());
                     return std::string("OK ");
                   }});
  t.system.dispatcher.SetTable(table);
  EXPECT_EQ(automation.Exec(":1.5", "Hold;Ver"), "OK  ; 4.0 ; ");
  EXPECT_EQ(shutdowns, 1);
  EXPECT_FALSE(automation.HasObject(":1.5"));
  EXPECT_TRUE(automation.MayEnd());
}

TEST_F(AutomationObjects, ALostBusReleasesEveryObjectOfItsClientsOnly) {
  automation.Exec(":1.5", "Ver");
  automation.Exec(":1.6", "Ver");
  automation.CreateObject("tcp:1");  // a client of the line server
  automation.ReleaseAll(":");
  EXPECT_EQ(automation.ObjectCount(), 1u);
  EXPECT_TRUE(automation.HasObject("tcp:1"));
  EXPECT_EQ(shutdowns, 0);
  automation.ReleaseAll("tcp:");
  EXPECT_EQ(automation.ObjectCount(), 0u);
  EXPECT_EQ(shutdowns, 1);
  EXPECT_TRUE(automation.MayEnd());
}

TEST_F(AutomationObjects, ALoadedWindowOrAClosedLineKeepsTheLineAsItIs) {
  windowLoaded = true;
  automation.Exec(":1.5", "Ver");
  automation.ReleaseObject(":1.5");
  EXPECT_FALSE(automation.MayEnd());  // the window keeps the process
  windowLoaded = false;
  EXPECT_TRUE(automation.MayEnd());
  commReady = false;
  automation.Exec(":1.5", "Ver");
  automation.ReleaseObject(":1.5");
  EXPECT_EQ(shutdowns, 0);
}

}  // namespace
}  // namespace qv::test
