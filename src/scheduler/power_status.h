// What Windows says of the computer's power: on battery or on mains.
#pragma once

// True only when GetSystemPowerStatus (reached at run time: NT 4.0 has none)
// answered and its line status is 0. An unknown status (255), a failed call
// or a missing function is mains: a run is never held on a guess.
bool RunsOnBattery();
