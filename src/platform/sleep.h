// Waiting between attempts of an operation that another process holds up.
#pragma once

// Blocks the calling thread for about the given time.
void SleepMilliseconds(unsigned milliseconds);
