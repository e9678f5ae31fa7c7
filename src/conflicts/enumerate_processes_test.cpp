// The process listing on a machine running more processes than the largest id buffer holds:
// the buffer stops growing and the listing gives the processes that fit.
#include "conflicts/enumerate_processes.h"

#include "support/sim_fixture.h"

namespace {

class EnumerateProcessesTest : public SimFixture {};

int CountProcess(uint32_t, uint16_t, const char16_t*, void* context) {
  ++*static_cast<uint32_t*>(context);
  return 1;
}

TEST_F(EnumerateProcessesTest, TheIdBufferStopsGrowingAtItsLimit) {
  StartMachine("winxp");
  const uint32_t limit = kMaxIdBufferBytes / sizeof(uint32_t);
  for (uint32_t n = 0; n < limit + 10; ++n) sim::AddListedProcess(u"C:\\busy\\worker.exe");
  uint32_t listed = 0;
  EXPECT_EQ(EnumerateProcesses(CountProcess, &listed), 1);
  EXPECT_EQ(listed, limit);
}

}  // namespace
