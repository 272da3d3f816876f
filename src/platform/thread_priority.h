#pragma once
// Background work that must leave the cores to what waits on them (an encoder, a window).

namespace kalidor {

// Lowers the calling thread's priority by `by` steps of niceness (at most to 19). Failures are
// passed over: the work goes on at the priority it has.
void LowerThisThreadsPriority(int by);

}  // namespace kalidor
