// Wall time of write-all and read-all of a 250-position SIM against the simulated unit on a
// plain real-time loop (no Qt), above the floor that the protocol's pauses, the line and the unit
// set. The figures for the window's own event loop come from qt_transfer_bench.
//
// The floor is the same sequence run first in virtual time with the same unit (same seed): there
// the program itself costs nothing, so the virtual time taken is exactly pauses + line time +
// the unit's answer times. The real run then shows what the program and this loop add.
#include <cstdio>

#include "transfer_rig.h"

int main() {
  using namespace vrkt;
  using namespace vrkt::bench;
  VirtualClock vclock;
  const Times floor = Measure(vclock, &vclock);
  SystemClock wall_clock;
  const Times wall = Measure(wall_clock, nullptr);
  if (floor.read_ms < 0 || floor.write_ms < 0 || wall.read_ms < 0 || wall.write_ms < 0) {
    std::fprintf(stderr, "a sequence did not finish\n");
    return 1;
  }
  std::printf("read_all_250_floor_ms_plain_loop: %lld ms\n", static_cast<long long>(floor.read_ms));
  std::printf("read_all_250_wall_ms_plain_loop: %lld ms\n", static_cast<long long>(wall.read_ms));
  std::printf("write_all_250_floor_ms_plain_loop: %lld ms\n",
              static_cast<long long>(floor.write_ms));
  std::printf("write_all_250_wall_ms_plain_loop: %lld ms\n", static_cast<long long>(wall.write_ms));
  std::printf("write_all_250_overhead_pct_plain_loop: %.2f %%\n",
              Pct(wall.write_ms, floor.write_ms));
  std::printf("read_all_250_overhead_pct_plain_loop: %.2f %%\n", Pct(wall.read_ms, floor.read_ms));
  return 0;
}
